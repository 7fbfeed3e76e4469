#!/usr/bin/env bash
# Time and peak memory of `korvex --eval` reading one 100 MB line from standard
# input (of "=", of ASCII digits, of full-width digits), and one line just at
# the length it still enters (1 MiB of full-width digits). Each input ends with
# the line "1+2", which must still be answered. Peak memory is the maximum
# resident size, shown beside that of a short session ("1+2" alone).
# Prints one line per input:
#   KIND: median MS ms, peak PEAK MiB, EXTRA MiB above a short session (SHORT MiB)
# Usage: bench/long_lines.sh PATH/TO/korvex [RUNS]   (default 5; needs GNU time)
set -euo pipefail
korvex="$1"
runs="${2:-5}"
[ -x /usr/bin/time ] || { echo "GNU time (/usr/bin/time) is not installed" >&2; exit 2; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# measure INPUT EXPECTED: sets ms and kib to the medians of wall time and peak
# resident size over the runs; fails when the answers are not EXPECTED
measure() {
  local times=() peaks=() r start end
  for ((r = 0; r < runs; r++)); do
    start=$(date +%s%N)
    /usr/bin/time -f '%M' -o "$work/peak" "$korvex" --eval <"$1" >"$work/out" || true
    end=$(date +%s%N)
    times+=($(((end - start) / 1000000)))
    peaks+=("$(tail -n 1 "$work/peak")")
    if [ "$(cat "$work/out")" != "$2" ]; then
      echo "unexpected answers for $1: $(head -c 200 "$work/out")" >&2
      exit 1
    fi
  done
  ms=$(median "${times[@]}")
  kib=$(median "${peaks[@]}")
}

mib() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }

printf '1+2\n' >"$work/short"
measure "$work/short" 3
short=$kib

# one line of BYTES bytes made of TEXT repeated, then "1+2"
make_line() { yes "$2" | tr -d '\n' | head -c "$1" >"$work/line" || true; printf '\n1+2\n' >>"$work/line"; }

report() {
  echo "$1: median $ms ms, peak $(mib "$kib") MiB, $(mib $((kib - short))) MiB above a short session ($(mib "$short") MiB)"
}

make_line 100000000 '=========='
measure "$work/line" $'Syntax error\n3'
report "100 MB of ="
make_line 100000000 '1234567890'
measure "$work/line" $'Syntax error\n3'
report "100 MB of digits"
make_line 99999999 '１２３４５６７８９０' # three bytes each
measure "$work/line" $'Syntax error\n3'
report "100 MB of full-width digits"
make_line 1048575 '１２３４５６７８９０' # the longest line entered, 1 MiB less one byte
measure "$work/line" $'Syntax error\n3'
report "1 MiB of full-width digits"
