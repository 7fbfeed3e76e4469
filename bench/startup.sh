#!/usr/bin/env bash
# Start-up time of the window: from starting the process to its first painted
# window, in a real X server (Xvfb), with a fresh settings folder each run.
# Prints every run and the medians in milliseconds (target: < 300 ms): the wall
# time, which a busy machine stretches, and the processor time the program used.
# Usage: bench/startup.sh [PATH/TO/korvex] [RUNS]   (default build/src/app/korvex, 21)
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
korvex="$(realpath "${1:-$root/build/src/app/korvex}")"
runs="${2:-21}"
[ -x "$korvex" ] || { echo "no program at $korvex; build it first" >&2; exit 2; }

if [ "${KORVEX_STARTUP_INNER:-}" != 1 ]; then
  command -v xvfb-run >/dev/null || { echo "xvfb-run is not installed" >&2; exit 2; }
  export KORVEX_STARTUP_INNER=1
  exec timeout 300 xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" "$0" "$korvex" "$runs"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
samples=()
cpus=()
# GNU time gives the processor time; without it only the wall time is measured
timer=()
[ -x /usr/bin/time ] && timer=(/usr/bin/time -f '%U %S' -o "$work/cpu")
# one run first, not counted: it fills the disk cache
XDG_CONFIG_HOME="$work/warm" KORVEX_FIRST_PAINT_PROBE=1 QT_QPA_PLATFORM=xcb timeout 20 "$korvex" >/dev/null
for i in $(seq 1 "$runs"); do
  # KORVEX_STARTUP_SETTINGS: a settings file each run starts from
  if [ -n "${KORVEX_STARTUP_SETTINGS:-}" ]; then
    mkdir -p "$work/run$i/Halvoren/Korvex"
    cp "$KORVEX_STARTUP_SETTINGS" "$work/run$i/Halvoren/Korvex/Korvex.ini"
  fi
  start=$(date +%s%N)
  painted=$(XDG_CONFIG_HOME="$work/run$i" KORVEX_FIRST_PAINT_PROBE=1 QT_QPA_PLATFORM=xcb \
    timeout 20 "${timer[@]}" "$korvex")
  ms=$(( (painted - start) / 1000000 ))
  cpu=$([ -s "$work/cpu" ] && awk '{ printf "%d", ($1 + $2) * 1000 }' "$work/cpu" || echo 0)
  samples+=("$ms")
  cpus+=("$cpu")
  echo "run $i: $ms ms (processor $cpu ms)"
done
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
echo "start to first paint over $runs runs: median $(median "${samples[@]}") ms," \
     "processor time median $(median "${cpus[@]}") ms"
