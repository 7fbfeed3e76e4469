# Shared by the end-to-end scripts: source it with $korvex and $e2e_seconds set.
# It skips (exit 77) without the X tools, runs the calling script again bounded
# in time, starts an X server of its own, and gives start, stop, expect_copied
# and fail.

for tool in Xvfb xdotool xclip xprop timeout; do
  if ! command -v "$tool" >/dev/null; then
    echo "skipped: $tool is not installed" >&2
    exit 77
  fi
done

# The whole run is bounded; inside, every wait has its own limit.
if [ "${KORVEX_E2E_INNER:-}" != 1 ]; then
  export KORVEX_E2E_INNER=1
  exec timeout --kill-after=5 "$e2e_seconds" "$0" "$korvex"
fi

work=$(mktemp -d)
# An X server of this run's own: it picks a free display itself and names it,
# so runs started at the same moment never share one.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 1 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
[ -s "$work/display" ] || { echo "FAIL: Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -n 1 "$work/display")"
ini="$work/config/Halvoren/Korvex/Korvex.ini"
mkdir -p "$(dirname "$ini")"
pid=""
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  fi
  kill "$xvfb_pid" 2>/dev/null
  wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  [ -s "$work/korvex.log" ] && sed 's/^/korvex: /' "$work/korvex.log" >&2
  exit 1
}

# Set launcher=(COMMAND ARGS...) to start the program through another command
# that ends in an exec of it (the process id stays the program's).
launcher=()
window=""
start() {
  XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb ${launcher[@]+"${launcher[@]}"} "$korvex" \
    >"$work/korvex.log" 2>&1 &
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

