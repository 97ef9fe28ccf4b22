#!/usr/bin/env bash
# The main job on a seeded sandbox: builds the suite, makes a fresh Wine
# sandbox, seeds it with healthy and broken shortcuts, runs the cleaners
# unattended and shows what they removed (their logs) and the Recycle Bin.
#   scripts/demo.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
"$root/scripts/setup.sh" "$build"
cmake --build "$build" -j"$(nproc)" >/dev/null

export SUITE_SANDBOX="$build/demo-sandbox"
"$root/scripts/sandbox.sh" create "$SUITE_SANDBOX" >/dev/null
eval "$("$root/scripts/sandbox.sh" env "$SUITE_SANDBOX")" 2>/dev/null
drive_c="$WINEPREFIX/drive_c"
trash="$XDG_DATA_HOME/Trash"

# The suite is installed as a user would: the dist folder copied onto the PC.
mkdir -p "$drive_c/Suite"
cp -r "$build/dist/." "$drive_c/Suite/"

echo "== seeding the sandbox"
"$root/scripts/wine-run" "$build/tests/demo_seed.exe"
(cd "$drive_c" && find . -iname '*.lnk' | sed 's|^\./|  C:/|')

show_log() {  # the log is GBK with CR LF
  local log=$1
  echo "== $(basename "$log")"
  if [ -f "$log" ]; then iconv -f GBK -t UTF-8 "$log" | tr -d '\r' | sed 's/^/  /'
  else echo "  (no log written)"; fi
}

# The cleaners in the order the one-click console runs them.
for program in Snipwell Marksift Hivemend Patchmoor; do
  [ -f "$drive_c/Suite/$program.exe" ] || continue
  echo "== $program.exe -Auto"
  "$root/scripts/wine-run" "C:\\Suite\\$program.exe" -Auto
  show_log "$drive_c/Suite/$program.log"
done

echo "== Recycle Bin"
found=0
for info in "$trash"/info/*.trashinfo; do
  [ -f "$info" ] || continue
  found=1
  python3 -c 'import sys,re,urllib.parse;print("  "+re.sub(r".*/dosdevices/c:", "C:", urllib.parse.unquote(sys.argv[1])))' \
    "$(sed -n 's/^Path=//p' "$info")"
done
[ $found = 1 ] || echo "  (empty)"
echo "== registry backups (Hivemend, before its repair)"
(cd "$drive_c/Suite" && find . -path './Reg-Backup*' -type f 2>/dev/null | sed 's|^\./|  C:/Suite/|') || true
echo "== shortcuts left"
(cd "$drive_c" && find . -iname '*.lnk' | sed 's|^\./|  C:/|')
"$root/scripts/sandbox.sh" stop "$SUITE_SANDBOX"
