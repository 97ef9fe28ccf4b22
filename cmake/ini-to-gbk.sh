#!/usr/bin/env bash
# Converts a settings file kept in UTF-8 (LF) into what the programs read: GBK, CR LF.
set -euo pipefail
in=$1 out=$2
tmp="$out.tmp"
sed -e 's/\r$//' -e 's/$/\r/' "$in" | iconv -f UTF-8 -t GBK > "$tmp"
mv "$tmp" "$out"
