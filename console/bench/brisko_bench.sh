#!/usr/bin/env bash
# The one-click run timed as a whole: a fresh sandbox seeded as the demo seeds
# it (scripts/demo.sh: the suite copied to C:\Suite, favorites on a local web
# site, junk, a plug-in history, registry leftovers, an update backup; the
# console seen as Windows XP), then brisko_bench.exe starts "Brisko.exe -Auto"
# there and prints each step's time and the console's own share.
#   console/bench/brisko_bench.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
cmake --build "$build" --target brisko_bench demo_seed suite_dist >/dev/null

. "$root/scripts/demo-machine.sh"
demo_machine "$build" "$build/brisko-bench-sandbox" >/dev/null
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
(cd "$drive_c" && "$root/scripts/wine-run" "$build/bench/brisko_bench.exe" 'C:\Suite')
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
