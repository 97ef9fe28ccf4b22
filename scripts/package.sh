#!/usr/bin/env bash
# Makes the packages from the built suite (build/dist/):
#   build/packages/<Product>-<version>-x64.zip        portable: unpack anywhere, run from there
#   build/packages/<Product>-<version>-x86.zip        the same for 32-bit Windows (from dist/x86)
#   build/packages/<Product>-<version>-x64-setup.exe  the installer (NSIS, 64-bit, Chinese)
#   build/packages/<Product>-<version>-x86-setup.exe  the installer for every Windows (NSIS
#                                                      x86-ansi, GBK texts): the 32-bit programs
#                                                      on a 32-bit Windows, the 64-bit ones on a
#                                                      64-bit Windows
#   scripts/package.sh [BUILD_DIR]
# The x86 zip and installer are made when dist/x86 holds the 32-bit build.
# SUITE_NSIS_NOCOMPRESS=1 stores the installers uncompressed, so that their
# texts can be read in the files (the packaging test does).
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
x86=""
if [ -d "$dist/x86" ] && check_dist "$dist/x86" 2>/dev/null; then
  x86=$dist/x86
  make_zip "$x86" x86
else
  echo "package.sh: no 32-bit build in $dist/x86: no x86 zip or installer" >&2
fi

# The installer's file lists. install_macro NAME DIST: what it installs from
# one dist folder (backslashes inside the program folder).
install_macro() {
  local name=$1 from=$2 current="" started="" f sub win
  echo "!macro $name"
  while IFS= read -r f; do
    sub=$(dirname "$f"); [ "$sub" = . ] && sub=""
    if [ "$sub" != "$current" ] || [ -z "$started" ]; then
      started=1; current=$sub
      win=${sub//\//\\}
      echo "  SetOutPath \"\$INSTDIR${win:+\\$win}\""
    fi
    echo "  File \"$from/$f\""
  done < <(shipped_files "$from")
  echo "!macroend"
}
installed_kb() {  # installed_kb DIST: what the uninstall entry gives as the size
  local total=0 f
  while IFS= read -r f; do total=$((total + $(stat -c %s "$1/$f"))); done < <(shipped_files "$1")
  echo $(( (total + 1023) / 1024 ))
}
# uninstall_macro DIST...: exactly the files those folders ship (the same
# names in both builds), then their folders.
uninstall_macro() {
  local files f d
  files=$(for f in "$@"; do shipped_files "$f"; done | LC_ALL=C sort -u)
  echo "!macro SUITE_UNINSTALL_FILES"
  while IFS= read -r f; do
    [ -n "$f" ] && echo "  Delete \"\$INSTDIR\\${f//\//\\}\""
  done <<< "$files"
  # Folders deepest first; each goes only when nothing of the user's is left in it.
  sed -n 's|/[^/]*$||p' <<< "$files" | LC_ALL=C sort -u -r | while IFS= read -r d; do
    echo "  RMDir \"\$INSTDIR\\${d//\//\\}\""
  done
  echo "!macroend"
}

make_setup() {  # make_setup ARCH FILES.nsh [makensis options]
  local arch=$1 nsh=$2; shift 2
  local setup=$out/$SUITE_PRODUCT_ID-$SUITE_VERSION-$arch-setup.exe
  local nocompress=()
  [ -n "${SUITE_NSIS_NOCOMPRESS:-}" ] && nocompress=(-DSUITE_NSIS_NOCOMPRESS)
  makensis -INPUTCHARSET UTF8 -NOCD -V2 "$@" "${nocompress[@]}" \
    -DSUITE_BUILD="$build" -DSUITE_FILES="$nsh" -DSUITE_OUTFILE="$setup" \
    -DSUITE_ICON="$root/ui/res/suite.ico" \
    "$root/installer/suite.nsi" >"$work/makensis-$arch.log" 2>&1 ||
    { cat "$work/makensis-$arch.log" >&2; echo "package.sh: makensis failed ($arch)" >&2; exit 1; }
  echo "$setup"
}

nsh=$work/files.nsh
{
  echo "; Made by scripts/package.sh from $dist; do not edit."
  install_macro SUITE_INSTALL_FILES "$dist"
  uninstall_macro "$dist"
  echo "!define SUITE_INSTALLED_KB $(installed_kb "$dist")"
} > "$nsh"
make_setup x64 "$nsh"

if [ -n "$x86" ]; then
  nsh86=$work/files-x86.nsh
  {
    echo "; Made by scripts/package.sh from $dist and $x86; do not edit."
    install_macro SUITE_INSTALL_FILES "$dist"
    install_macro SUITE_INSTALL_FILES_X86 "$x86"
    uninstall_macro "$dist" "$x86"
    echo "!define SUITE_INSTALLED_KB $(installed_kb "$dist")"
    echo "!define SUITE_INSTALLED_KB_X86 $(installed_kb "$x86")"
  } > "$nsh86"
  make_setup x86 "$nsh86" -DSUITE_X86_ANSI
fi
