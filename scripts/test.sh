#!/usr/bin/env bash
# Builds everything and runs every test (unit and end-to-end) under Wine.
#   scripts/test.sh [BUILD_DIR] [extra ctest arguments]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
shift || true
"$root/scripts/setup.sh" "$build"
cmake --build "$build" -j"$(nproc)"
# The portable zips and both installers (build/packages/); the tests install them.
"$root/scripts/package.sh" "$build"
cd "$build"
status=0
ctest --output-on-failure --timeout 1200 "$@" || status=$?
if ! reason=$("$root/scripts/host32.sh" wine); then
  echo "The 32-bit build's tests (label x86) were skipped: $reason."
fi
exit "$status"
