#!/bin/bash
# Page text under load: each function that reads a page's text, fed 1 and 10 million characters of
# every shape that once made it slow. Prints the times (each call's processor time), the ratio
# 10M / 1M (target <= 12: linear) and fails when a ratio or a 10M call (target < 1 s) is over its
# target.
# BUILD_DIR chooses the build folder (default build-bench, a release build made when needed);
# RUNS the number of runs of which the best counts (default 3).
set -euo pipefail

SRC=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD_DIR:-$SRC/build-bench}
if [ ! -x "$BUILD/bench/text/clipvault-bench-text" ] || [ -n "${REBUILD:-}" ]; then
    cmake -S "$SRC" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$BUILD" -j2 --target clipvault-bench-text >/dev/null
fi
QT_QPA_PLATFORM=offscreen "$BUILD/bench/text/clipvault-bench-text" --runs "${RUNS:-3}"
