#!/usr/bin/env bash
# The real program in a real X server, across starts: a damaged settings file
# still opens the window with its defaults; SIGTERM closes the window as the
# user does and saves; the next start brings the typed formula and its value
# back.
# Usage: e2e_restart.sh PATH/TO/korvex
# Exit status 77 (skipped) when Xvfb, xdotool or xclip is missing.
set -uo pipefail

korvex="${1:?usage: e2e_restart.sh PATH/TO/korvex}"
e2e_seconds=80
source "$(dirname "$0")/e2e_lib.sh"

# 1. A damaged file: garbage bytes, absurd counts and sizes, cut off mid-line.
{
  head -c 3000 /dev/urandom
  printf '\n[Position]\r\nLeft=-2147483648\r\nTop=99999999999\r\nWidth=2147483647\r\nHeight=-0\r\n'
  printf '[Expression]\r\nRecordCount=2147483647\r\nHistory=maybe\r\n'
  printf '[Variable]\r\nCount=-2147483648\r\nM=1e99999\r\n[RecordExpression]\r\nCount=2147483647\r\n'
  printf '[Mode]\r\nView=255\r\nAngle=77\r\nTransparencyValue=100000\r\n[Expression0\r\nExpres'
} >"$ini"
start "damaged file"
xdotool type --delay 20 '7*6' || fail "typing failed"
xdotool key Return
expect_copied 42 "damaged file"
stop "damaged file"

# 2. History and variable saving on: the line and its value come back.
printf '\xef\xbb\xbf[Expression]\r\nHistory=1\r\n\r\n[Variable]\r\nRecord=1\r\n' >"$ini"
start "first start"
xdotool type --delay 20 '12*3+4' || fail "typing failed"
xdotool key Return
stop "first start"
grep -q 'Text=12\*3+4' "$ini" || fail "the saved file does not hold the typed formula"

start "second start"
expect_copied 40 "second start"
stop "second start"
echo "ok: a damaged file opens with defaults; 12*3+4 = 40 comes back after SIGTERM"
