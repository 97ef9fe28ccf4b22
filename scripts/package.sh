#!/usr/bin/env bash
# Makes the packages from the built suite (build/dist/):
#   build/packages/<Product>-<version>-x64.zip        portable: unpack anywhere, run from there
#   build/packages/<Product>-<version>-x86.zip        the same for 32-bit Windows (from dist/x86)
#   build/packages/<Product>-<version>-x64-setup.exe  the installer (NSIS, 64-bit, Chinese)
#   scripts/package.sh [BUILD_DIR]
# The name and version come from the build (the CMake project version, written
# to BUILD_DIR/package.env and BUILD_DIR/version.nsh when it is configured).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
build=$(cd "$build" && pwd)

[ -f "$build/package.env" ] || { echo "package.sh: $build is not a configured build folder" >&2; exit 2; }
# shellcheck disable=SC1091
. "$build/package.env"
for tool in zip makensis; do
  command -v "$tool" >/dev/null || { echo "package.sh: $tool is missing (scripts/setup.sh installs it)" >&2; exit 2; }
done

out=$build/packages
work=$out/work
rm -rf "$work"
mkdir -p "$out" "$work"
rm -f "$out/$SUITE_PRODUCT_ID"-*.zip "$out/$SUITE_PRODUCT_ID"-*-setup.exe

# What a package holds: the programs, settings files, tip files and the plug-in
# definitions of a dist folder, relative to it. Never a log or a backup store a
# run may have left there, nor the 32-bit folder inside the 64-bit one.
shipped_files() {
  (cd "$1" && find . -path ./x86 -prune -o -type f -print |
    sed 's|^\./||' |
    grep -v -i -e '\.log$' -e '\.tmp$' -e '^Reg-Backup' |
    LC_ALL=C sort)
}

# A dist folder is complete when its six programs are there.
check_dist() {
  local dir=$1 missing=""
  for p in Brisko Dustrel Hivemend Snipwell Marksift Patchmoor; do
    [ -f "$dir/$p.exe" ] || missing="$missing $p.exe"
  done
  [ -z "$missing" ] || { echo "package.sh: $dir lacks$missing (build first)" >&2; return 1; }
}

make_zip() {  # make_zip DIST ARCH
  local dist=$1 arch=$2 name="$SUITE_PRODUCT_ID-$SUITE_VERSION-$2"
  local stage=$work/zip-$arch/$name
  mkdir -p "$stage"
  shipped_files "$dist" | while IFS= read -r f; do
    mkdir -p "$stage/$(dirname "$f")"
    cp -p "$dist/$f" "$stage/$f"
  done
  (cd "$work/zip-$arch" && zip -q -r -X "$out/$name.zip" "$name")
  echo "$out/$name.zip"
}

dist=$build/dist
check_dist "$dist"
make_zip "$dist" x64
if [ -d "$dist/x86" ] && check_dist "$dist/x86" 2>/dev/null; then
  make_zip "$dist/x86" x86
fi

# The installer's file list: what it installs and, in the uninstaller, exactly
# those files again (backslashes inside the program folder).
nsh=$work/files.nsh
total=0
{
  echo "; Made by scripts/package.sh from $dist; do not edit."
  echo "!macro SUITE_INSTALL_FILES"
  current=""
  while IFS= read -r f; do
    sub=$(dirname "$f"); [ "$sub" = . ] && sub=""
    if [ "$sub" != "$current" ] || [ -z "${started:-}" ]; then
      started=1; current=$sub
      win=${sub//\//\\}
      echo "  SetOutPath \"\$INSTDIR${win:+\\$win}\""
    fi
    echo "  File \"$dist/$f\""
    total=$((total + $(stat -c %s "$dist/$f")))
  done < <(shipped_files "$dist")
  echo "!macroend"
  echo "!macro SUITE_UNINSTALL_FILES"
  shipped_files "$dist" | while IFS= read -r f; do
    echo "  Delete \"\$INSTDIR\\${f//\//\\}\""
  done
  # Folders deepest first; each goes only when nothing of the user's is left in it.
  shipped_files "$dist" | sed -n 's|/[^/]*$||p' | LC_ALL=C sort -u -r | while IFS= read -r d; do
    echo "  RMDir \"\$INSTDIR\\${d//\//\\}\""
  done
  echo "!macroend"
  echo "!define SUITE_INSTALLED_KB $(( (total + 1023) / 1024 ))"
} > "$nsh"

setup=$out/$SUITE_PRODUCT_ID-$SUITE_VERSION-x64-setup.exe
makensis -INPUTCHARSET UTF8 -NOCD -V2 \
  -DSUITE_BUILD="$build" -DSUITE_FILES="$nsh" -DSUITE_OUTFILE="$setup" \
  -DSUITE_ICON="$root/ui/res/suite.ico" \
  "$root/installer/suite.nsi" >"$work/makensis.log" 2>&1 ||
  { cat "$work/makensis.log" >&2; echo "package.sh: makensis failed" >&2; exit 1; }
echo "$setup"
