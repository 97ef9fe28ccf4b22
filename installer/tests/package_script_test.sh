#!/usr/bin/env bash
# Checks what scripts/package.sh puts into the packages, on a made-up dist
# folder (no Wine needed): the zips hold the shipped files under a folder named
# like the zip and nothing a run left behind; the installer's uninstall
# list is exactly its install list; a dist without its programs is refused.
#   package_script_test.sh SOURCE_DIR BUILD_DIR SCRATCH_DIR
set -uo pipefail
src=${1:?source folder} build=${2:?build folder} scratch=${3:?scratch folder}
failures=0
check() {  # check WHAT EXPECTED ACTUAL
  if [ "$2" = "$3" ]; then echo "ok: $1"; else
    echo "FAILED: $1"; echo "  expected: $2"; echo "  actual:   $3"; failures=$((failures + 1)); fi
}

rm -rf "$scratch"
mkdir -p "$scratch"
cp "$build/package.env" "$build/version.nsh" "$scratch/"
. "$scratch/package.env"
name=$SUITE_PRODUCT_ID-$SUITE_VERSION
dist=$scratch/dist
mkdir -p "$dist/CleanPlugin" "$dist/x86/CleanPlugin" "$dist/Reg-Backup-XP/01-02-2026 10-00 备份"
for p in Brisko Dustrel Hivemend Snipwell Marksift Patchmoor PluginLock; do
  head -c 3000 /dev/zero > "$dist/$p.exe"
  echo "$p" > "$dist/x86/$p.exe"
done
echo "[Resource]" > "$dist/Dustrel.ini"
echo "tips" > "$dist/TipList.ini"
echo "page" > "$dist/SubPro.htm"
echo "def" > "$dist/CleanPlugin/Notepad++.dat"
echo "def" > "$dist/x86/CleanPlugin/Notepad++.dat"
# Left by runs: never shipped.
echo "[Numbers]" > "$dist/Dustrel.log"
echo "[Numbers]" > "$dist/Snipwell-Preview.log"
echo "REGEDIT4" > "$dist/Reg-Backup-XP/01-02-2026 10-00 备份/RB1.reg"

out=$("$src/scripts/package.sh" "$scratch" 2>&1)
check "package.sh succeeds" 0 "$?"
pk=$scratch/packages
check "packages named with the version" \
  "$name-x64-setup.exe $name-x64.zip $name-x86.zip" "$(cd "$pk" && ls -1 *.exe *.zip | LC_ALL=C sort | tr '\n' ' ' | sed 's/ $//')"

top=$name-x64
expected_x64="$top/Brisko.exe $top/CleanPlugin/Notepad++.dat $top/Dustrel.exe $top/Dustrel.ini \
$top/Hivemend.exe $top/Marksift.exe $top/Patchmoor.exe $top/PluginLock.exe $top/Snipwell.exe \
$top/SubPro.htm $top/TipList.ini"
check "x64 zip: the shipped files, no logs, backups or 32-bit folder" "$expected_x64" \
  "$(unzip -Z1 "$pk/$name-x64.zip" | grep -v '/$' | LC_ALL=C sort | tr '\n' ' ' | sed 's/ $//')"
check "x64 zip: the programs are the built ones" "3000" \
  "$(unzip -p "$pk/$name-x64.zip" "$top/Dustrel.exe" | wc -c)"
check "x86 zip: the 32-bit programs" "Dustrel" "$(unzip -p "$pk/$name-x86.zip" "$name-x86/Dustrel.exe")"

nsh=$pk/work/files.nsh
installed=$(sed -n 's|^  File "'"$dist"'/\(.*\)"$|\1|p' "$nsh" | tr / '\\' | LC_ALL=C sort)
removed=$(sed -n 's|^  Delete "\$INSTDIR\\\(.*\)"$|\1|p' "$nsh" | LC_ALL=C sort)
check "installer: 11 files" 11 "$(echo "$installed" | wc -l)"
check "uninstaller removes exactly what was installed" "$installed" "$removed"
check "uninstaller removes the plug-in folder only when empty" '  RMDir "$INSTDIR\CleanPlugin"' \
  "$(grep RMDir "$nsh")"
bytes=$(cd "$dist" && cat Brisko.exe CleanPlugin/Notepad++.dat Dustrel.exe Dustrel.ini Hivemend.exe \
  Marksift.exe Patchmoor.exe PluginLock.exe Snipwell.exe SubPro.htm TipList.ini | wc -c)
check "estimated size in KiB" "!define SUITE_INSTALLED_KB $(( (bytes + 1023) / 1024 ))" \
  "$(grep SUITE_INSTALLED_KB "$nsh")"
check "the installer is a Windows program" "MZ" "$(head -c 2 "$pk/$name-x64-setup.exe")"

# A dist folder without its programs makes no packages.
rm "$dist/Hivemend.exe"
"$src/scripts/package.sh" "$scratch" >/dev/null 2>&1
check "incomplete dist refused" 1 "$?"
check "no packages from an incomplete dist" "" "$(ls "$pk"/*.zip "$pk"/*.exe 2>/dev/null)"

rm -rf "$scratch"
[ $failures -eq 0 ]
