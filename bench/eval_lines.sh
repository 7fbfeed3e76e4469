#!/usr/bin/env bash
# Times 100,000 typical lines through `korvex --eval` from standard input, as a
# whole process. Usage: bench/eval_lines.sh PATH/TO/korvex [RUNS]
set -euo pipefail
korvex="$1"
runs="${2:-5}"
input="$(mktemp)"
trap 'rm -f "$input"' EXIT
lines=(
  "1+2" "2*3.5-1" "sin(30)" "A=12.5" "A*2+ANS" "sqrt(2)^2" "(1+2)*(3+4)/5" "100/7"
  "log 1000" "5!" "PREANS-ANS" "2^10" "abs(-3.25)" "roundoff(3.14159,-2)" "1E5*3"
  "hex(FF)+1" "M=3" "M*2" "floor(-2.5)" "ln 2"
)
for ((i = 0; i < 5000; i++)); do printf '%s\n' "${lines[@]}"; done >"$input"
[ "$(wc -l <"$input")" -eq 100000 ] || { echo "bad input size" >&2; exit 1; }
times=()
for ((r = 0; r < runs; r++)); do
  start=$(date +%s%N)
  "$korvex" --eval <"$input" >/dev/null || true
  end=$(date +%s%N)
  times+=($(((end - start) / 1000000)))
done
sorted=($(printf '%s\n' "${times[@]}" | sort -n))
median=${sorted[$((runs / 2))]}
echo "eval 100000 lines: median ${median} ms over ${runs} runs (${times[*]})"
