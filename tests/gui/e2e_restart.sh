#!/usr/bin/env bash
# The real program in a real X server, across starts: a damaged settings file
# still opens the window with its defaults; SIGTERM closes the window as the
# user does and saves; the next start brings the typed formula and its value
# back.
# Usage: e2e_restart.sh PATH/TO/korvex
# Exit status 77 (skipped) when Xvfb, xdotool or xclip is missing.
set -uo pipefail

korvex="${1:?usage: e2e_restart.sh PATH/TO/korvex}"
for tool in xvfb-run Xvfb xdotool xclip xauth timeout; do
  if ! command -v "$tool" >/dev/null; then
    echo "skipped: $tool is not installed" >&2
    exit 77
  fi
done

# The whole run is bounded; inside, every wait has its own limit.
if [ "${KORVEX_E2E_INNER:-}" != 1 ]; then
  export KORVEX_E2E_INNER=1
  exec timeout --kill-after=5 80 xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" "$0" "$korvex"
fi

work=$(mktemp -d)
ini="$work/config/Halvoren/Korvex/Korvex.ini"
mkdir -p "$(dirname "$ini")"
pid=""
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  fi
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  [ -s "$work/korvex.log" ] && sed 's/^/korvex: /' "$work/korvex.log" >&2
  exit 1
}

window=""
start() {
  XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb "$korvex" >"$work/korvex.log" 2>&1 &
  pid=$!
  window=""
  for _ in $(seq 1 100); do
    window=$(xdotool search --onlyvisible --name '^Korvex$' 2>/dev/null | head -n1)
    [ -n "$window" ] && break
    kill -0 "$pid" 2>/dev/null || fail "korvex ended before its window appeared ($1)"
    sleep 0.1
  done
  [ -n "$window" ] || fail "no Korvex window within 10 seconds ($1)"
  xdotool windowfocus --sync "$window" || fail "cannot focus the window ($1)"
}

# SIGTERM: the window closes, saves and the program ends by itself
stop() {
  kill -TERM "$pid"
  for _ in $(seq 1 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$pid" 2>/dev/null && fail "korvex still runs 10 seconds after SIGTERM ($1)"
  wait "$pid"
  status=$?
  pid=""
  [ "$status" = 0 ] || fail "korvex ended with status $status after SIGTERM ($1)"
}

# Copies the shown value and waits for the clipboard to hold Expected.
expect_copied() {
  xdotool key ctrl+shift+c
  copied=""
  for _ in $(seq 1 50); do
    copied=$(timeout 2 xclip -o -selection clipboard 2>/dev/null || true)
    [ "$copied" = "$1" ] && return 0
    sleep 0.1
  done
  fail "the clipboard holds '$copied', not $1 ($2)"
}

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
