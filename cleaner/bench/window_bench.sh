#!/usr/bin/env bash
# Makes 100,000 junk files on the sandbox's drive Q: (natively: fast), runs
# the window benchmark against the real Dustrel.exe, and removes the files.
#   cleaner/bench/window_bench.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
cmake --build "$build" --target dustrel_window_bench Dustrel dist_Dustrel_ini >/dev/null
sandbox=${SUITE_SANDBOX:-$build/sandbox}
[ -d "$sandbox/prefix/drive_c" ] || "$root/scripts/sandbox.sh" create "$sandbox" >/dev/null
tree="$sandbox/prefix/drive_c/suite-fixtures/drive-q/dz-bench"
rm -rf "$tree"
for d in $(seq 0 99); do
  mkdir -p "$tree/d$d"
  (cd "$tree/d$d" && seq -f "f%g.tmp" 0 999 | xargs touch)
done
SUITE_BUILD=$build SUITE_SANDBOX=$sandbox "$root/scripts/wine-run" "$build/bench/dustrel_window_bench.exe"
rm -rf "$tree"
