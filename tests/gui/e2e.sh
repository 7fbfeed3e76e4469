#!/usr/bin/env bash
# The real program in a real X server: type a formula, press Enter, copy the
# result with Ctrl+Shift+C and read it back from the clipboard.
# Usage: e2e.sh PATH/TO/korvex
# Exit status 77 (skipped) when Xvfb, xdotool or xclip is missing.
set -uo pipefail

korvex="${1:?usage: e2e.sh PATH/TO/korvex}"
e2e_seconds=60
source "$(dirname "$0")/e2e_lib.sh"

start "first start"
xdotool type --delay 20 '12*3+4' || fail "typing failed"
xdotool key Return
expect_copied 40 "first start"
kill -0 "$pid" 2>/dev/null || fail "korvex ended unexpectedly"
echo "ok: 12*3+4 = 40"
