#!/usr/bin/env bash
# The junk-scan benchmark at any size: makes the tree natively in the sandbox
# (N files, 50 in a folder, 3 in 100 junk; kept for later runs), runs the
# benchmark and prints the machine's load beside it.
#   cleaner/bench/junkscan_bench.sh [BUILD_DIR] [--files N]     (default 1,000,000)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/bench-args.sh"
bench_args --files 1000000 "$@"
files=$option
cmake --build "$build" --target dustrel_junkscan_bench >/dev/null
sandbox=${SUITE_SANDBOX:-$build/sandbox}
[ -d "$sandbox/prefix/drive_c" ] || "$root/scripts/sandbox.sh" create "$sandbox" >/dev/null
tree="$sandbox/prefix/drive_c/suite-bench/junktree-$files"
if [ ! -f "$tree/tree-complete" ]; then
  echo "making the tree of $files files in $tree ..."
  python3 - "$tree" "$files" <<'PY'
import os, sys
root, files = sys.argv[1], int(sys.argv[2])
def name(i):
    k = i % 100
    return {7: f"~wrl{i}.tmp", 42: f"report{i}.bak", 77: f"setup{i}.old"}.get(k, f"document{i}.txt")
for f in range((files + 49) // 50):
    folder = os.path.join(root, f"top{f // 100}", f"folder{f % 100}")
    os.makedirs(folder, exist_ok=True)
    for i in range(f * 50, min(files, (f + 1) * 50)):
        open(os.path.join(folder, name(i)), "wb").close()
open(os.path.join(root, "tree-complete"), "wb").close()
PY
fi
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
SUITE_BUILD=$build SUITE_SANDBOX=$sandbox "$root/scripts/wine-run" "$build/bench/dustrel_junkscan_bench.exe" --files "$files"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
