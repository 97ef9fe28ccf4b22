#!/usr/bin/env bash
# Makes N junk files on the sandbox's drive Q: (natively: fast; 100,000 by
# default, 1,000 in a folder), runs the window benchmark against the real
# Dustrel.exe, and removes the files.
#   cleaner/bench/window_bench.sh [BUILD_DIR] [--files N]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/bench-args.sh"
bench_args --files 100000 "$@"
files=$option
cmake --build "$build" --target dustrel_window_bench Dustrel dist_Dustrel_ini >/dev/null
sandbox=${SUITE_SANDBOX:-$build/sandbox}
[ -d "$sandbox/prefix/drive_c" ] || "$root/scripts/sandbox.sh" create "$sandbox" >/dev/null
tree="$sandbox/prefix/drive_c/suite-fixtures/drive-q/dz-bench"
rm -rf "$tree"
for d in $(seq 0 $(( (files + 999) / 1000 - 1 ))); do
  mkdir -p "$tree/d$d"
  n=$(( files - d * 1000 )); [ $n -gt 1000 ] && n=1000
  (cd "$tree/d$d" && seq -f "f%g.tmp" 0 $((n - 1)) | xargs touch)
done
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
SUITE_BUILD=$build SUITE_SANDBOX=$sandbox "$root/scripts/wine-run" "$build/bench/dustrel_window_bench.exe"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
rm -rf "$tree"
