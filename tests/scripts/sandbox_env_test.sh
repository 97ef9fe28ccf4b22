#!/usr/bin/env bash
# Checks the Wine loader and registry view that the sandbox scripts choose:
# a 32-bit Wine that is installed but cannot run must never be the loader of a
# 64-bit sandbox, and scripts name the 64-bit registry view there.
#   sandbox_env_test.sh SOURCE_DIR SCRATCH_DIR
set -uo pipefail
src=${1:?source folder} scratch=${2:?scratch folder}
failures=0
check() {  # check WHAT EXPECTED ACTUAL
  if [ "$2" = "$3" ]; then echo "ok: $1"; else echo "FAILED: $1: expected '$2', got '$3'"; failures=$((failures + 1)); fi
}
env_value() {  # env_value DIR NAME  -> the value sandbox.sh env gives NAME
  "$src/scripts/sandbox.sh" env "$1" | sed -n "s/^export $2=//p" | tr -d "'"
}

rm -rf "$scratch"
mkdir -p "$scratch/s64" "$scratch/s32"
echo win32 > "$scratch/s32/arch"

# The probe answers the same as executing a 32-bit program does.
if "$src/scripts/host32.sh" kernel; then can32=yes; else can32=no; fi
fake=$(type -P true)
if [ $can32 = no ]; then
  check "installed 32-bit Wine that cannot run: 64-bit loader" /usr/lib/wine/wine64 \
    "$(SUITE_WINE32_LOADER=$fake "$src/scripts/host32.sh" loader)"
  check "no 32-bit host: 32-bit tests give a reason" 1 \
    "$("$src/scripts/host32.sh" wine >/dev/null; echo $?)"
  check "32-bit sandbox not made: skipped (77)" 77 \
    "$("$src/scripts/sandbox.sh" create-if-possible "$scratch/s32" win32 >/dev/null; echo $?)"
  check "x86 test skipped (77)" 77 \
    "$(SUITE_SANDBOX="$scratch/s32" "$src/scripts/x86-test.sh" winxp nothing.exe >/dev/null; echo $?)"
else
  check "32-bit host: the wine wrapper" wine "$(SUITE_WINE32_LOADER=$fake "$src/scripts/host32.sh" loader)"
fi
check "no 32-bit Wine installed: the wine wrapper" wine \
  "$(SUITE_WINE32_LOADER=/nonexistent "$src/scripts/host32.sh" loader)"
check "64-bit sandbox: architecture" win64 "$(env_value "$scratch/s64" WINEARCH)"
check "64-bit sandbox: registry view" /reg:64 "$(env_value "$scratch/s64" SUITE_REG_VIEW)"
check "32-bit sandbox: architecture" win32 "$(env_value "$scratch/s32" WINEARCH)"
check "32-bit sandbox: no view named" "" "$(env_value "$scratch/s32" SUITE_REG_VIEW)"
check "32-bit sandbox: the wine wrapper" wine "$(env_value "$scratch/s32" SUITE_WINE)"
rm -rf "$scratch"
[ $failures -eq 0 ]
