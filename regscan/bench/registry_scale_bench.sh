#!/usr/bin/env bash
# The registry at the size of a current Windows: builds the benchmark, runs it
# in a sandbox of its own (BUILD_DIR/scale-sandbox, or one per scale), which
# keeps the seeded registry between runs, and prints the machine's load
# before and after (the figures depend on it).
#   regscan/bench/registry_scale_bench.sh [BUILD_DIR] [--scale F]
#   (--scale 0.05 for a quick try: 35,000 keys; the default 1 is 700,000)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/bench-args.sh"
bench_args --scale 1 "$@"
scale=$option
cmake --build "$build" --target registry_scale_bench dist_Dustrel_ini >/dev/null
# The traces read their description texts from the settings file beside the program.
cp "$build/dist/Dustrel.ini" "$build/bench/"
sandbox=$build/scale-sandbox-$scale
[ -d "$sandbox/prefix/drive_c" ] || "$root/scripts/sandbox.sh" create "$sandbox" >/dev/null
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
SUITE_BUILD=$build SUITE_SANDBOX=$sandbox "$root/scripts/wine-run" "$build/bench/registry_scale_bench.exe" --scale "$scale"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
# The wineserver writes the registry to disk when it ends (the next run reads it back).
"$root/scripts/sandbox.sh" stop "$sandbox" >/dev/null 2>&1 || true
