#!/bin/bash
# The speed limit through the program's whole download path: three rows of 10 MiB together under
# a limit of 2,000 kB/s (2,000,000 bytes a second) against the local demo site, which sends as
# fast as it can. 31,457,280 bytes at that rate take 15.7 s.
# Target: all three together in 14 to 17 s, and no row starves: the first row to end takes at
# least 80 % of the whole time (a fair share ends all three near the end).
# Prints the seconds of the whole run and of each row's end. BUILD_DIR chooses the build folder
# (default build-bench, a release build made when needed); LIMIT, COUNT and SIZE change the run.
set -euo pipefail

SRC=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD_DIR:-$SRC/build-bench}
LIMIT=${LIMIT:-2000}
COUNT=${COUNT:-3}
SIZE=${SIZE:-10485760}

if [ ! -x "$BUILD/bench/clipvault-bench-downloads" ] || [ ! -x "$BUILD/demosite/clipvault-demosite" ] \
    || [ -n "${REBUILD:-}" ]; then
    cmake -S "$SRC" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$BUILD" -j2 --target clipvault-bench-downloads clipvault-demosite >/dev/null
fi

WORK=$(mktemp -d)
SITE_LOG=$WORK/site.log
"$BUILD/demosite/clipvault-demosite" --port 0 >"$SITE_LOG" 2>&1 &
SITE_PID=$!
cleanup() { kill "$SITE_PID" 2>/dev/null || true; wait "$SITE_PID" 2>/dev/null || true; rm -rf "$WORK"; }
trap cleanup EXIT
for _ in $(seq 100); do
    ROOT=$(grep -o 'http://127\.0\.0\.1:[0-9]*' "$SITE_LOG" | head -1 || true)
    [ -n "$ROOT" ] && break
    sleep 0.1
done
[ -n "$ROOT" ] || { echo "the demo site did not start"; exit 1; }

mkdir -p "$WORK/ours"
OUT=$("$BUILD/bench/clipvault-bench-downloads" --root "$ROOT" --folder "$WORK/ours" --id sunsetBeach --code 18 \
    --journal "$WORK/journal.json" --count "$COUNT" --size "$SIZE" --expect "$SIZE" --limit "$LIMIT")
echo "$OUT"
seconds=$(sed -n 's/.*seconds=\([0-9.]*\) .*/\1/p' <<<"$OUT" | head -1)
first=$(sed -n 's/.*row_seconds=\([0-9.]*\).*/\1/p' <<<"$OUT")
nominal=$(echo "$COUNT * $SIZE / ($LIMIT * 1000)" | bc -l)
printf 'limit=%s kB/s rows=%s size=%s nominal=%.2f s whole=%.2f s first_row_end=%.2f s (%.0f %%)\n' \
    "$LIMIT" "$COUNT" "$SIZE" "$nominal" "$seconds" "$first" "$(echo "100 * $first / $seconds" | bc -l)"
ok=$(echo "$seconds >= 14 && $seconds <= 17 && $first >= 0.8 * $seconds" | bc -l)
[ "$ok" = 1 ] && echo "target met" || { echo "target missed"; exit 1; }
