#!/usr/bin/env bash
# The real program in a real X server, as a desktop starts and ends it: a second
# start hands over to the running window and ends at once; SIGTERM with a
# read-only settings folder ends the program within 2 seconds, says why on
# standard error and leaves the old file as it was; SIGHUP saves like SIGTERM.
# Usage: e2e_lifecycle.sh PATH/TO/korvex
# Exit status 77 (skipped) when Xvfb, xdotool or xclip is missing.
set -uo pipefail

korvex="${1:?usage: e2e_lifecycle.sh PATH/TO/korvex}"
e2e_seconds=80
source "$(dirname "$0")/e2e_lib.sh"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"

# Waits up to Tenths tenths of a second for the program to end; then its status is in $status.
wait_end() {
  for _ in $(seq 1 "$1"); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$pid" 2>/dev/null && return 1
  wait "$pid"
  status=$?
  pid=""
}

# 0. The window's class is what the desktop entry says, so docks show its icon and name.
start "window class"
desktop_entry="$(dirname "$0")/../../packaging/example.halvoren.Korvex.desktop"
wm_class=$(sed -n 's/^StartupWMClass=//p' "$desktop_entry")
xprop -id "$window" WM_CLASS | grep -q "\"$wm_class\"\$" ||
  fail "WM_CLASS is $(xprop -id "$window" WM_CLASS), the desktop entry says $wm_class"
stop "window class"

# 1. A second start: the running window is asked to come to the front, and the
#    second process ends with status 0 without a window of its own.
start "first window"
started=$(date +%s%N)
XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb timeout 10 "$korvex" >"$work/second.log" 2>&1
second=$?
elapsed=$((($(date +%s%N) - started) / 1000000))
[ "$second" = 0 ] || { cat "$work/second.log" >&2; fail "the second start ended with status $second"; }
[ "$elapsed" -lt 2000 ] || fail "the second start took $elapsed ms"
kill -0 "$pid" 2>/dev/null || fail "the first window ended when the second start came"
windows=$(xdotool search --onlyvisible --name '^Korvex$' | wc -l)
[ "$windows" = 1 ] || fail "$windows Korvex windows are open"
stop "first window"

# 2. SIGTERM while the settings folder is read-only: no dialog waits for a click.
folder="$(dirname "$ini")"
printf '\xef\xbb\xbf[Expression]\r\nHistory=1\r\n' >"$ini"
before=$(sha256sum "$ini")
chmod a-w "$folder" "$ini"
# root writes anywhere; without these capabilities it minds the folder's mode too
[ "$(id -u)" = 0 ] && launcher=(setpriv --bounding-set -dac_override,-dac_read_search,-fowner --)
start "read-only folder"
xdotool type --delay 20 '5*5' || fail "typing failed"
xdotool key Return
kill -TERM "$pid"
wait_end 20 || fail "korvex still runs 2 seconds after SIGTERM with a read-only settings folder"
[ "$status" != 0 ] || fail "a failed final save ended with status 0"
grep -q "could not be saved" "$work/korvex.log" || fail "standard error does not tell that the save failed"
[ "$(sha256sum "$ini")" = "$before" ] || fail "the settings file changed"
launcher=()
chmod u+w "$folder" "$ini"

# 3. SIGHUP (the terminal went away) saves and ends like SIGTERM.
start "hang-up"
xdotool type --delay 20 '6*7' || fail "typing failed"
xdotool key Return
kill -HUP "$pid"
wait_end 100 || fail "korvex still runs 10 seconds after SIGHUP"
[ "$status" = 0 ] || fail "korvex ended with status $status after SIGHUP"
grep -q 'Text=6\*7' "$ini" || fail "SIGHUP did not save the typed formula"
echo "ok: a second start hands over; SIGTERM with a read-only folder ends at once; SIGHUP saves"
