#!/bin/bash
# A feed of ENTRIES episodes (default 5000) from the local demo site, listed by the real extractor
# in the video tab offscreen, RUNS times (default 3). Each run prints the time from the
# extractor's answer to the rows shown (target <= 2000 ms) and the longest pause of the event loop
# meanwhile and for a second after (target <= 100 ms); a run over a target fails the script.
# BUILD_DIR chooses the build folder (default build-bench, a release build made when needed).
set -euo pipefail

SRC=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD_DIR:-$SRC/build-bench}
ENTRIES=${ENTRIES:-5000}
if [ ! -x "$BUILD/bench/clipvault-bench-list" ] || [ ! -x "$BUILD/demosite/clipvault-demosite" ] \
    || [ -n "${REBUILD:-}" ]; then
    cmake -S "$SRC" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$BUILD" -j2 --target clipvault-bench-list clipvault-demosite >/dev/null
fi

WORK=$(mktemp -d)
"$BUILD/demosite/clipvault-demosite" --port 0 >"$WORK/site.log" 2>&1 &
SITE_PID=$!
cleanup() { kill "$SITE_PID" 2>/dev/null || true; wait "$SITE_PID" 2>/dev/null || true; rm -rf "$WORK"; }
trap cleanup EXIT
for _ in $(seq 100); do
    ROOT=$(grep -o 'http://127\.0\.0\.1:[0-9]*' "$WORK/site.log" | head -1 || true)
    [ -n "$ROOT" ] && break
    sleep 0.1
done
[ -n "$ROOT" ] || { echo "the demo site did not start"; exit 1; }

status=0
for run in $(seq "${RUNS:-3}"); do
    # The extractor's cache and the program's data stay in the work folder.
    if ! XDG_CACHE_HOME=$WORK/cache XDG_DATA_HOME=$WORK/data QT_QPA_PLATFORM=offscreen \
        "$BUILD/bench/clipvault-bench-list" --address "$ROOT/feed.xml?items=$ENTRIES" --entries "$ENTRIES"; then
        echo "run $run: over a target"
        status=1
    fi
done
exit $status
