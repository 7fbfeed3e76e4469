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
xvfb_pid=""
# An X server of this run's own: it picks a free display itself and names it,
# so runs started at the same moment never share one. It keeps its state when
# the last client leaves, and answers a client before the program starts.
start_x() {
  : >"$work/display"
  Xvfb -displayfd 3 -noreset -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
  xvfb_pid=$!
  for _ in $(seq 1 100); do
    [ -s "$work/display" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
  done
  [ -s "$work/display" ] || fail "Xvfb did not start"
  export DISPLAY=":$(head -n 1 "$work/display")"
  x_answers || fail "the X server on $DISPLAY does not answer"
}
x_answers() { timeout 5 xprop -root >/dev/null 2>&1; }
stop_x() {
  [ -n "$xvfb_pid" ] || return 0
  kill "$xvfb_pid" 2>/dev/null
  wait "$xvfb_pid" 2>/dev/null
  xvfb_pid=""
}
ini="$work/config/Halvoren/Korvex/Korvex.ini"
mkdir -p "$(dirname "$ini")"
pid=""
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  fi
  stop_x
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  [ -s "$work/korvex.log" ] && sed 's/^/korvex: /' "$work/korvex.log" >&2
  [ -s "$work/xvfb.log" ] && sed 's/^/Xvfb: /' "$work/xvfb.log" >&2
  exit 1
}
start_x

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
    if ! kill -0 "$pid" 2>/dev/null; then
      # The X server went away under the program: the run's fault, not the
      # program's. A new server, once, and the same start again.
      if ! x_answers && [ -z "${x_restarted:-}" ]; then
        x_restarted=1
        echo "note: the X server on $DISPLAY stopped answering ($1); a new one" >&2
        sed 's/^/Xvfb: /' "$work/xvfb.log" >&2
        stop_x
        start_x
        start "$1"
        return
      fi
      fail "korvex ended before its window appeared ($1)"
    fi
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

