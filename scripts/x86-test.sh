#!/usr/bin/env bash
# Runs one test executable of the 32-bit build in the 32-bit sandbox, which
# reports the given Windows version to every program while the test runs.
#   scripts/x86-test.sh win98|win2k|winxp TEST.exe [ARGS...]
# SUITE_BUILD (the 32-bit build folder) and SUITE_SANDBOX (the 32-bit sandbox)
# come from CTest. Exit 77 (CTest: skipped) with the reason when this host
# cannot run 32-bit Wine.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
version=${1:?usage: x86-test.sh VERSION TEST.exe [ARGS...]}
shift
if ! reason=$("$here/host32.sh" wine); then
  echo "skipped: $reason"
  exit 77
fi
sandbox=${SUITE_SANDBOX:?x86-test.sh needs SUITE_SANDBOX}
if [ ! -d "$sandbox/prefix/drive_c" ] || [ "$(cat "$sandbox/arch" 2>/dev/null)" != win32 ]; then
  "$here/sandbox.sh" create "$sandbox" win32 >&2
fi
# The version is a setting of the whole prefix; it is taken back afterwards.
(
  eval "$("$here/sandbox.sh" env "$sandbox")" 2>/dev/null
  "$SUITE_WINE" reg add 'HKCU\Software\Wine' /v Version /d "$version" /f >/dev/null
)
status=0
"$here/wine-run" "$@" || status=$?
(
  eval "$("$here/sandbox.sh" env "$sandbox")" 2>/dev/null
  "$SUITE_WINE" reg delete 'HKCU\Software\Wine' /v Version /f >/dev/null 2>&1 || true
)
exit "$status"
