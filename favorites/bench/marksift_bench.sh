#!/usr/bin/env bash
# The favorites benchmark against web sites served outside Wine (a small Python
# server on 127.0.0.2 .. 127.0.0.51, favorites/bench/sites.py), so that the
# figures are those of the check and not of a server sharing its process.
#   favorites/bench/marksift_bench.sh [build-folder] [favorites] [delay-ms] [sites] [runs]
# Build the benchmark first: cmake --build build --target marksift_bench
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../../build}" && pwd)
count=${2:-500} delay=${3:-500} sites=${4:-50} runs=${5:-3}
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.2", 0)); print(s.getsockname()[1])')
peak=$(mktemp)
python3 "$here/sites.py" --port "$port" --sites "$sites" --peak-file "$peak" --seconds 1800 >"$peak.log" 2>&1 &
server=$!
trap 'kill $server 2>/dev/null || true; rm -f "$peak" "$peak.log"' EXIT
for _ in $(seq 1 50); do grep -q ready "$peak.log" 2>/dev/null && break; sleep 0.1; done
grep -q ready "$peak.log" || { echo "the sites' server did not start:"; cat "$peak.log"; exit 1; }
status=0
"$here/../../scripts/wine-run" "$build/bench/marksift_bench.exe" "$count" "$delay" "$sites" "$runs" "$port" || status=$?
sleep 1
echo "most requests at once on one site: $(cat "$peak")"
exit $status
