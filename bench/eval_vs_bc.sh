#!/usr/bin/env bash
# Times 100,000 typical lines (a*b+c/7-b^2 with numbers of their own on every
# line) through `korvex --eval` and through `bc -l`, the same input in the same
# run, the two interleaved so that both see the same machine. Prints both medians
# and their ratio. Usage: bench/eval_vs_bc.sh PATH/TO/korvex [RUNS]
set -euo pipefail
korvex="$1"
runs="${2:-5}"
command -v bc >/dev/null || { echo "bc is not installed" >&2; exit 1; }
input="$(mktemp)"
trap 'rm -f "$input"' EXIT
awk 'BEGIN {
  for (i = 0; i < 100000; i++)
    printf "%d.%d*%d+%d/7-%d^2\n", (i * 7919) % 1000, i % 10, (i * 104729) % 100 + 1, (i * 31337) % 10000, (i * 104729) % 100 + 1
}' >"$input"
[ "$(wc -l <"$input")" -eq 100000 ] || { echo "bad input size" >&2; exit 1; }
# both must calculate every line, or the race means nothing
[ "$("$korvex" --eval <"$input" | wc -l)" -eq 100000 ] || { echo "korvex did not answer every line" >&2; exit 1; }
[ "$(bc -l <"$input" | wc -l)" -eq 100000 ] || { echo "bc did not answer every line" >&2; exit 1; }

ms() { # COMMAND...: wall-clock milliseconds of one run, input from the file
  local start end
  start=$(date +%s%N)
  "$@" <"$input" >/dev/null
  end=$(date +%s%N)
  echo $(((end - start) / 1000000))
}
korvex_times=()
bc_times=()
for ((r = 0; r < runs; r++)); do
  korvex_times+=("$(ms "$korvex" --eval)")
  bc_times+=("$(ms bc -l)")
done
median() { printf '%s\n' "$@" | sort -n | sed -n "$((($# + 1) / 2))p"; }
k=$(median "${korvex_times[@]}")
b=$(median "${bc_times[@]}")
ratio=$(awk -v k="$k" -v b="$b" 'BEGIN { printf "%.2f", (b > 0) ? k / b : 99 }')
echo "korvex ${k} ms, bc ${b} ms, ratio ${ratio} over ${runs} runs (korvex ${korvex_times[*]}; bc ${bc_times[*]})"
