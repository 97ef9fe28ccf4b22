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

export SUITE_SANDBOX="$build/brisko-bench-sandbox"
"$root/scripts/sandbox.sh" create "$SUITE_SANDBOX" >/dev/null
eval "$("$root/scripts/sandbox.sh" env "$SUITE_SANDBOX")" 2>/dev/null
drive_c="$WINEPREFIX/drive_c"
mkdir -p "$drive_c/Suite"
cp -r "$build/dist/." "$drive_c/Suite/"
site="$SUITE_SANDBOX/demo-site"
mkdir -p "$site"
echo '<html><body>demo</body></html>' > "$site/index.html"
port=$(python3 -c 'import socket;s=socket.socket();s.bind(("127.0.0.1",0));print(s.getsockname()[1])')
python3 -m http.server "$port" --bind 127.0.0.1 --directory "$site" >/dev/null 2>&1 &
server=$!
cleanup() { kill "$server" 2>/dev/null || true; "$root/scripts/sandbox.sh" stop "$SUITE_SANDBOX" || true; }
trap cleanup EXIT
"$root/scripts/wine-run" "$build/tests/demo_seed.exe" 'C:\Suite' "$port" >/dev/null
"$root/scripts/wine-run" 'C:\windows\system32\reg.exe' add 'HKCU\Software\Wine\AppDefaults\Brisko.exe' /v Version /d winxp /f >/dev/null
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
(cd "$drive_c" && "$root/scripts/wine-run" "$build/bench/brisko_bench.exe" 'C:\Suite')
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
