#!/usr/bin/env bash
# Runs the installer test (packages_e2e, its Packages.* cases) against the
# installer for every Windows, which is a 32-bit program: it needs 32-bit Wine.
#   x86_setup_test.sh win64 TEST.exe
#       in the 64-bit sandbox (a 64-bit Windows: the 64-bit programs go in)
#   x86_setup_test.sh win32 TEST.exe PACKAGES_DIR
#       the 32-bit build's test in the 32-bit sandbox, seen as Windows XP (the
#       32-bit programs go in); the setup is copied from PACKAGES_DIR into the
#       32-bit build folder (drive W: there)
# SUITE_BUILD and SUITE_SANDBOX come from CTest. Exit 77 (CTest: skipped) with
# the reason when this host cannot run 32-bit Wine.
set -euo pipefail
scripts=$(cd "$(dirname "$0")/../../scripts" && pwd)
mode=${1:?usage: x86_setup_test.sh win64|win32 TEST.exe [PACKAGES_DIR]}
test_exe=${2:?test executable}
if ! reason=$("$scripts/host32.sh" wine); then
  echo "skipped: $reason"
  exit 77
fi
export SUITE_TEST_INSTALLER=x86
case "$mode" in
  win64) exec "$scripts/wine-run" "$test_exe" --gtest_filter='Packages.*' ;;
  win32)
    packages=${3:?packages folder}
    mkdir -p "$SUITE_BUILD/packages"
    cp "$packages"/*-x86-setup.exe "$SUITE_BUILD/packages/"
    exec "$scripts/x86-test.sh" winxp "$test_exe" --gtest_filter='Packages.*' ;;
  *) echo "x86_setup_test.sh: unknown mode $mode" >&2; exit 2 ;;
esac
