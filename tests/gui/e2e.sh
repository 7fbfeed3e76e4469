#!/usr/bin/env bash
# The real program in a real X server: type a formula, press Enter, copy the
# result with Ctrl+Shift+C and read it back from the clipboard.
# Usage: e2e.sh PATH/TO/korvex
# Exit status 77 (skipped) when Xvfb, xdotool or xclip is missing.
set -uo pipefail

korvex="${1:?usage: e2e.sh PATH/TO/korvex}"
for tool in xvfb-run Xvfb xdotool xclip xauth timeout; do
  if ! command -v "$tool" >/dev/null; then
    echo "skipped: $tool is not installed" >&2
    exit 77
  fi
done

# The whole run is bounded; inside, every wait has its own limit.
if [ "${KORVEX_E2E_INNER:-}" != 1 ]; then
  export KORVEX_E2E_INNER=1
  exec timeout --kill-after=5 60 xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" "$0" "$korvex"
fi

work=$(mktemp -d)
pid=""
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
    kill "$pid" 2>/dev/null
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

XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb "$korvex" >"$work/korvex.log" 2>&1 &
pid=$!

window=""
for _ in $(seq 1 100); do
  window=$(xdotool search --onlyvisible --name '^Korvex$' 2>/dev/null | head -n1)
  [ -n "$window" ] && break
  kill -0 "$pid" 2>/dev/null || fail "korvex ended before its window appeared"
  sleep 0.1
done
[ -n "$window" ] || fail "no Korvex window within 10 seconds"

xdotool windowfocus --sync "$window" || fail "cannot focus the window"
xdotool type --delay 20 '12*3+4' || fail "typing failed"
xdotool key Return
xdotool key ctrl+shift+c

copied=""
for _ in $(seq 1 50); do
  copied=$(timeout 2 xclip -o -selection clipboard 2>/dev/null || true)
  [ "$copied" = "40" ] && break
  sleep 0.1
done
[ "$copied" = "40" ] || fail "the clipboard holds '$copied', not 40"

kill -0 "$pid" 2>/dev/null || fail "korvex ended unexpectedly"
echo "ok: 12*3+4 = $copied"
