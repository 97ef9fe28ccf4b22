#!/usr/bin/env bash
# Builds everything and runs every test (unit and end-to-end) under Wine.
#   scripts/test.sh [BUILD_DIR] [extra ctest arguments]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
shift || true
"$root/scripts/setup.sh" "$build"
cmake --build "$build" -j"$(nproc)"
cd "$build"
ctest --output-on-failure --timeout 1200 "$@"
