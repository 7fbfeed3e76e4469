#!/usr/bin/env bash
# Peak memory of `korvex --eval` over 10 million short lines from a pipe, beside
# that of 1,000 of the same lines: whatever a session has entered, the history
# stays at its limit and nothing grows with the count of lines.
# Prints "lines: N" for each run with its peak, then
#   extra: MIB          (peak of 10,000,000 lines minus peak of 1,000 lines)
# Usage: bench/many_lines.sh PATH/TO/korvex   (needs GNU time)
set -euo pipefail
korvex="$1"
[ -x /usr/bin/time ] || { echo "GNU time (/usr/bin/time) is not installed" >&2; exit 2; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# peak COUNT: the peak resident size in KiB of COUNT lines, which must all be answered
peak() {
  local start end
  start=$(date +%s%N)
  yes $'1+2\nA=2.5\nA*3-1\nsin(30)+ANS\n2^10/7' | head -n "$1" |
    /usr/bin/time -f '%M' -o "$work/peak" "$korvex" --eval | wc -l >"$work/count"
  end=$(date +%s%N)
  [ "$(cat "$work/count")" -eq "$1" ] || { echo "korvex answered $(cat "$work/count") of $1 lines" >&2; exit 1; }
  echo "lines: $1 in $(((end - start) / 1000000)) ms, peak $(tail -n 1 "$work/peak") KiB" >&2
  tail -n 1 "$work/peak"
}
small=$(peak 1000)
large=$(peak 10000000)
echo "extra: $(awk -v a="$large" -v b="$small" 'BEGIN { printf "%.1f", (a - b) / 1024 }')"
