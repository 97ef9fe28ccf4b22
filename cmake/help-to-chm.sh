#!/usr/bin/env bash
# Compiles the help pages (docs/help, UTF-8) into Help.chm with Free Pascal's
# chmcmd. The pages, contents and index are converted to GBK on the way (the
# help viewer of a Chinese Windows reads them in code page 936); pictures the
# pages take from docs/screenshots are copied in beside them.
#   help-to-chm.sh HELP_DIR SCREENSHOT_DIR OUT.chm WORK_DIR
set -euo pipefail
help=${1:?help folder} shots=${2:?screenshot folder} out=${3:?output file} work=${4:?work folder}
command -v chmcmd >/dev/null || { echo "help-to-chm.sh: chmcmd is missing (scripts/setup.sh installs fp-utils)" >&2; exit 2; }

rm -rf "$work"
mkdir -p "$work/screenshots"
to_gbk() {  # to_gbk IN OUT: UTF-8 to GBK, the charset label with it
  sed -e 's/charset=utf-8/charset=gb2312/I' -e 's|\.\./screenshots/|screenshots/|g' "$1" |
    iconv -f UTF-8 -t GBK > "$2"
}
for f in "$help"/*.html "$help"/*.hhc "$help"/*.hhk "$help"/*.hhp; do
  to_gbk "$f" "$work/$(basename "$f")"
done
cp "$help"/*.css "$work/"
# The pictures the pages name, and only those.
grep -ho '\.\./screenshots/[^"]*\.png' "$help"/*.html | sort -u | while IFS= read -r ref; do
  cp "$shots/${ref#../screenshots/}" "$work/screenshots/"
done

# The project's file list is what was staged: every page, style sheet and picture.
project=$work/Help.hhp
sed -i '/^\[FILES\]/,$d' "$project"
{
  echo "[FILES]"
  (cd "$work" && find . -type f \( -name '*.html' -o -name '*.css' -o -name '*.png' \) | sed 's|^\./||' | LC_ALL=C sort)
} >> "$project"

(cd "$work" && chmcmd Help.hhp) > "$work/chmcmd.log" 2>&1 ||
  { cat "$work/chmcmd.log" >&2; echo "help-to-chm.sh: chmcmd failed" >&2; exit 1; }
[ -s "$work/Help.chm" ] || { cat "$work/chmcmd.log" >&2; echo "help-to-chm.sh: no Help.chm made" >&2; exit 1; }
cp "$work/Help.chm" "$out.tmp"
mv "$out.tmp" "$out"
