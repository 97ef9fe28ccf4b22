#!/usr/bin/env bash
# Reads the compiled Help.chm back with a CHM reader (extract_chmLib, Debian's
# libchm-bin) and checks: every page of the help folder is in it, as GBK text
# that reads back to its source; the contents and the index are in it, the
# contents name every page and the file opens on the start page; every link,
# picture, contents and index entry inside resolves, anchors included.
#   help_chm_test.sh HELP_DIR Help.chm SCRATCH_DIR
set -uo pipefail
help=${1:?help folder} chm=${2:?Help.chm} scratch=${3:?scratch folder}
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

command -v extract_chmLib >/dev/null || { echo "extract_chmLib is missing (scripts/setup.sh installs libchm-bin)"; exit 1; }
[ -s "$chm" ] || { echo "FAILED: $chm is missing"; exit 1; }
rm -rf "$scratch"
mkdir -p "$scratch"
out=$scratch/chm
extract_chmLib "$chm" "$out" >/dev/null 2>&1
[ -d "$out" ] || { echo "FAILED: $chm could not be read"; exit 1; }

# Every page, GBK inside, reading back to its source (charset label and
# picture folder as the build writes them).
pages=0
for src in "$help"/*.html; do
  name=$(basename "$src")
  pages=$((pages + 1))
  if [ ! -f "$out/$name" ]; then fail "page $name is not in the help file"; continue; fi
  if ! iconv -f GBK -t UTF-8 "$out/$name" > "$scratch/page.html" 2>/dev/null; then
    fail "$name is not GBK text"; continue
  fi
  if ! sed -e 's/charset=utf-8/charset=gb2312/I' -e 's|\.\./screenshots/|screenshots/|g' "$src" |
       cmp -s - "$scratch/page.html"; then
    fail "$name does not read back to its source"
  fi
  grep -qi 'charset=gb2312' "$out/$name" || fail "$name does not declare its code page"
done
[ "$pages" -ge 10 ] || fail "only $pages pages in $help"
for f in Contents.hhc Index.hhk; do [ -s "$out/$f" ] || fail "$f is not in the help file"; done
grep -aq 'index.html' "$out/#SYSTEM" 2>/dev/null || fail "the help file does not open on index.html"

# Every page has its place in the contents.
locals() { grep -o '<param name="Local" value="[^"]*"' "$1" | sed 's/.*value="//; s/"$//'; }
for src in "$help"/*.html; do
  name=$(basename "$src")
  locals "$out/Contents.hhc" | sed 's/#.*//' | grep -qx "$name" || fail "$name is missing from the contents"
done
[ "$(locals "$out/Index.hhk" | wc -l)" -ge 30 ] || fail "the index has fewer than 30 entries"

# A reference FROM_FILE -> TARGET (relative, with an optional #anchor) resolves
# when the file is there and, for an anchor, names it with id= or name=.
resolve() {
  local from=$1 ref=$2 file anchor
  case "$ref" in
    http:* | https:* | mailto:* | ftp:*) fail "$from links outside the help: $ref"; return ;;
  esac
  file=${ref%%#*}; anchor=""
  [ "$file" != "$ref" ] && anchor=${ref#*#}
  [ -z "$file" ] && file=$from
  if [ ! -f "$out/$file" ]; then fail "$from: $ref does not resolve"; return; fi
  if [ -n "$anchor" ] && ! grep -Eq "(id|name)=\"$anchor\"" "$out/$file"; then
    fail "$from: anchor $ref does not resolve"
  fi
}
links=0
for page in "$out"/*.html; do
  name=$(basename "$page")
  while IFS= read -r ref; do
    links=$((links + 1)); resolve "$name" "$ref"
  done < <(grep -o -E '(href|src)="[^"]*"' "$page" | sed -E 's/^(href|src)="//; s/"$//')
done
for f in Contents.hhc Index.hhk; do
  while IFS= read -r ref; do
    links=$((links + 1)); resolve "$f" "$ref"
  done < <(locals "$out/$f")
done
echo "$pages pages, $links links checked"

rm -rf "$scratch"
[ $failures -eq 0 ]
