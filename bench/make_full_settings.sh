#!/usr/bin/env bash
# Writes a settings file with a full history: COUNT entries, history limit COUNT,
# history saving on. Usage: bench/make_full_settings.sh FILE [COUNT]
set -euo pipefail
file="$1"
count="${2:-1000}"
{
  printf '\xef\xbb\xbf'
  printf '[Expression]\r\nText=1+2\r\nHistory=1\r\nCount=%d\r\nRecordCount=%d\r\n\r\n' "$count" "$count"
  for ((i = 0; i < count; i++)); do
    printf '[Expression%d]\r\nExpression=sin(%d)*2+%d/7\r\nAns=%d\r\nPreAns=%d\r\nM=0\r\nAngleMode=0\r\nViewMode=%d\r\nValue=%d.25\r\n\r\n' \
      "$i" "$i" "$i" "$i" "$((i - 1))" "$((i % 3))" "$i"
  done
  printf '[Mode]\r\nCalc=1\r\n\r\n'
} >"$file"
