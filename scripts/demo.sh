#!/usr/bin/env bash
# The main job on a seeded sandbox: builds the suite, makes a fresh Wine
# sandbox, seeds it with junk for every step of the one-click run (broken
# shortcuts, dead favorites, junk files, saved browser passwords, an
# application's history, leftover registry entries, an update's uninstall
# backup), runs the console "Brisko.exe -Auto" there and shows each step's
# count, every log's entries, the browser stores emptied, the Recycle Bin and
# the registry backup store.
#   scripts/demo.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
"$root/scripts/setup.sh" "$build"
cmake --build "$build" -j"$(nproc)" >/dev/null

. "$root/scripts/demo-machine.sh"
echo "== seeding the sandbox"
demo_machine "$build" "$build/demo-sandbox"
trash="$XDG_DATA_HOME/Trash"
(cd "$drive_c" && find . -iname '*.lnk' | sed 's|^\./|  shortcut  C:/|')
(cd "$drive_c" && find . -iname '*.url' | sed 's|^\./|  favorite  C:/|')

echo "== Brisko.exe -Auto"
status=0
# (started from C:\, which the cleaners it starts inherit as their folder)
(cd "$drive_c" && "$root/scripts/wine-run" 'C:\Suite\Brisko.exe' -Auto) || status=$?
echo "  exit status $status"

# The steps in the console's order; the count is the log's "Numbers" value.
steps=("Snipwell.log|Snipwell.exe|1 broken shortcuts  (Snipwell.exe -Auto)"
       "Marksift.log|Marksift.exe|2 dead favorites    (Marksift.exe -Auto)"
       "Dustrel.log|Dustrel.exe|3 junk files        (Dustrel.exe -Auto)"
       "History.log|Dustrel.exe|4 software history  (Dustrel.exe -Track)"
       "Hivemend.log|Hivemend.exe|5 registry errors   (Hivemend.exe -Auto)"
       "Patchmoor.log|Patchmoor.exe|6 update backups    (Patchmoor.exe -Auto)")
log_text() { iconv -f GBK -t UTF-8 "$1" | tr -d '\r'; }
echo "== step counts"
for s in "${steps[@]}"; do
  IFS='|' read -r log program label <<< "$s"
  count=0
  [ -f "$suite/$log" ] && count=$(log_text "$suite/$log" | sed -n '/^\[Numbers\]/,/^$/s/^Item0=//p' | head -1)
  printf '  step %s: - %s\n' "$label" "${count:-0}"
done
for s in "${steps[@]}"; do
  IFS='|' read -r log program label <<< "$s"
  echo "== $log"
  if [ -f "$suite/$log" ]; then
    entries=$(log_text "$suite/$log" | sed -n '/^\[Files\]/,/^$/s/^Item[0-9]*=/  /p')
    if [ -n "$entries" ]; then echo "$entries"; else echo "  (nothing removed)"; fi
  elif [ -f "$suite/$program" ]; then
    echo "  (no log: nothing was removed)"
  else
    echo "  (no log: $program is not built yet)"
  fi
done

echo "== browser stores emptied whole (Dustrel.log)"
stores=""
[ -f "$suite/Dustrel.log" ] &&
  stores=$(log_text "$suite/Dustrel.log" | sed -n '/^\[Files\]/,/^$/s/^Item[0-9]*=\(Internet Explorer\\\)/  \1/p')
if [ -n "$stores" ]; then echo "$stores"; else echo "  (none)"; fi

echo "== Recycle Bin"
found=0
for info in "$trash"/info/*.trashinfo; do
  [ -f "$info" ] || continue
  found=1
  python3 -c 'import sys,re,urllib.parse;print("  "+re.sub(r".*/dosdevices/c:", "C:", urllib.parse.unquote(sys.argv[1])))' \
    "$(sed -n 's/^Path=//p' "$info")"
done
[ $found = 1 ] || echo "  (empty)"
echo "== registry backup store (written before any registry entry is removed)"
backups=$(cd "$suite" && find . -path './Reg-Backup*' -type f 2>/dev/null | sort)
if [ -n "$backups" ]; then
  while IFS= read -r f; do
    echo "  C:/Suite/${f#./}"
    # .reg files are UTF-16 (version 5) or ANSI (REGEDIT4): show the key lines.
    { iconv -f UTF-16 -t UTF-8 "$suite/$f" 2>/dev/null || iconv -f GBK -t UTF-8 "$suite/$f"; } |
      tr -d '\r' | grep '^\[' | sed 's/^/      /' || true
  done <<< "$backups"
else
  echo "  (empty)"
fi
exit "$status"
