#!/usr/bin/env bash
# Checks what scripts/package.sh puts into the packages, on a made-up dist
# folder (no Wine needed): the zips hold the shipped files under a folder named
# like the zip and nothing a run left behind; the installer's uninstall
# list is exactly its install list; the installer for every Windows is a
# 32-bit program whose version block names the suite, holds both builds and
# its Chinese texts in GBK; a dist without its programs is refused.
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
echo "only in the 32-bit build" > "$dist/x86/Notes-x86.txt"
# Left by runs: never shipped.
echo "[Numbers]" > "$dist/Dustrel.log"
echo "[Numbers]" > "$dist/Snipwell-Preview.log"
echo "REGEDIT4" > "$dist/Reg-Backup-XP/01-02-2026 10-00 备份/RB1.reg"

# Uncompressed, so that the installers' texts can be read below.
out=$(SUITE_NSIS_NOCOMPRESS=1 "$src/scripts/package.sh" "$scratch" 2>&1)
check "package.sh succeeds" 0 "$?"
pk=$scratch/packages
check "packages named with the version" \
  "$name-x64-setup.exe $name-x64.zip $name-x86-setup.exe $name-x86.zip" \
  "$(cd "$pk" && ls -1 *.exe *.zip | LC_ALL=C sort | tr '\n' ' ' | sed 's/ $//')"

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

# The installer for every Windows: both builds, one uninstall list for both.
nsh86=$pk/work/files-x86.nsh
section() { sed -n "/^!macro $1\$/,/^!macroend/p" "$nsh86"; }
check "x86 installer: the 64-bit files for a 64-bit Windows" 11 \
  "$(section SUITE_INSTALL_FILES | grep ' File ' | grep -v -c "$dist/x86/")"
check "x86 installer: the 32-bit files for a 32-bit Windows" 9 \
  "$(section SUITE_INSTALL_FILES_X86 | grep -c "File \"$dist/x86/")"
removed86=$(sed -n 's|^  Delete "\$INSTDIR\\\(.*\)"$|\1|p' "$nsh86" | LC_ALL=C sort)
check "x86 uninstaller removes what either build installed" \
  "$(printf '%s\nNotes-x86.txt' "$installed" | LC_ALL=C sort)" "$removed86"
check "x86 installer: sizes of both builds" 2 "$(grep -c -E '^!define SUITE_INSTALLED_KB(_X86)? [0-9]+$' "$nsh86")"
# Structure: a 32-bit PE whose version block names the suite; the 64-bit one
# for comparison; the Chinese texts of the ANSI installer in GBK (a text
# NSIS could not convert would read "????").
pe() {  # pe FILE: "<machine> <optional-header magic> <ProductName of the version block>"
  python3 - "$1" <<'PY'
import struct, sys
d = open(sys.argv[1], 'rb').read()
off = struct.unpack_from('<I', d, 0x3c)[0]
machine = struct.unpack_from('<H', d, off + 4)[0] if d[off:off + 4] == b'PE\0\0' else 0
magic = struct.unpack_from('<H', d, off + 24)[0] if machine else 0
key = 'ProductName\0'.encode('utf-16-le')
i = d.find(key)
name = ''
if i >= 0:
    i += len(key)
    i += (4 - i % 4) % 4  # the value starts on a 32-bit boundary
    end = d.find(b'\0\0', i)
    while end >= 0 and (end - i) % 2:
        end = d.find(b'\0\0', end + 1)
    name = d[i:end].decode('utf-16-le', 'replace')
print('%04x %03x %s' % (machine, magic, name))
PY
}
check "x86 installer: a 32-bit PE naming the suite" "014c 10b Quillon 系统清理套件" "$(pe "$pk/$name-x86-setup.exe")"
check "x64 installer: a 64-bit PE naming the suite" "8664 20b Quillon 系统清理套件" "$(pe "$pk/$name-x64-setup.exe")"
holds_gbk() { python3 -c 'import sys; print(sys.argv[2].encode("gbk") in open(sys.argv[1], "rb").read())' "$@"; }
check "x86 installer: shortcut names in GBK" True "$(holds_gbk "$pk/$name-x86-setup.exe" "Brisko 一键清理控制台")"
check "x86 installer: uninstaller texts in GBK" True "$(holds_gbk "$pk/$name-x86-setup.exe" "删除注册表备份: ")"
check "x86 installer: no text lost in conversion" 0 "$(grep -c -a '????' "$pk/$name-x86-setup.exe")"

# A dist folder without its programs makes no packages.
rm "$dist/Hivemend.exe"
"$src/scripts/package.sh" "$scratch" >/dev/null 2>&1
check "incomplete dist refused" 1 "$?"
check "no packages from an incomplete dist" "" "$(ls "$pk"/*.zip "$pk"/*.exe 2>/dev/null)"

# Without a 32-bit build: the 64-bit packages only.
echo "Hivemend" > "$dist/Hivemend.exe"
rm -rf "$dist/x86"
"$src/scripts/package.sh" "$scratch" >/dev/null 2>&1
check "without dist/x86: the 64-bit packages" "$name-x64-setup.exe $name-x64.zip" \
  "$(cd "$pk" && ls -1 *.exe *.zip | LC_ALL=C sort | tr '\n' ' ' | sed 's/ $//')"

rm -rf "$scratch"
[ $failures -eq 0 ]
