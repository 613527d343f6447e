#!/bin/bash
# Downloads through the program's whole download path (button to file, the list's journal written
# as it goes) beside curl, in the same run and against the same local demo site:
#   1gib    one file of 1 GiB
#   resume  one file of 1 GiB, stopped at half and started again (target: at most 1.01 GiB read)
#   25      25 files of 40 MiB at once (curl runs 25 transfers in parallel too)
#   all     all three (the default)
# Prints the time ratio (target <= 1.25; none for resume), the program's peak resident memory
# (target < 150 MB), the body bytes it read and the largest gap between the download list's
# one-second timer ticks (target < 1.5 s).
# BUILD_DIR chooses the build folder (default build-bench, a release build made when needed).
set -euo pipefail

MODE=${1:-all}
SRC=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD_DIR:-$SRC/build-bench}

if [ ! -x "$BUILD/bench/clipvault-bench-downloads" ] || [ ! -x "$BUILD/demosite/clipvault-demosite" ] \
    || [ -n "${REBUILD:-}" ]; then
    cmake -S "$SRC" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$BUILD" -j2 --target clipvault-bench-downloads clipvault-demosite >/dev/null
fi
BENCH=$BUILD/bench/clipvault-bench-downloads

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

now() { date +%s.%N; }
status=0

# run NAME ID CODE COUNT SIZE EXPECTED [STOP_AT]
run() {
    local name=$1 id=$2 code=$3 count=$4 size=$5 expected=$6 stopat=${7:-}
    local curl_dir=$WORK/curl ours_dir=$WORK/ours
    rm -rf "$curl_dir" "$ours_dir"; mkdir -p "$curl_dir" "$ours_dir"
    local query=""
    [ -n "$size" ] && query="&size=$size"

    local t0 t1 k
    local pids=()
    t0=$(now)
    for k in $(seq 0 $((count - 1))); do
        curl -sf -o "$curl_dir/file$k" "$ROOT/media/$id/$code?n=$k$query" &
        pids+=($!)
    done
    wait "${pids[@]}"
    t1=$(now)
    local curl_s
    curl_s=$(echo "$t1 - $t0" | bc -l)
    for k in $(seq 0 $((count - 1))); do
        [ "$(stat -c %s "$curl_dir/file$k")" = "$expected" ] || { echo "curl: file$k has the wrong size"; status=1; }
    done
    rm -rf "$curl_dir"

    local sizearg=()
    [ -n "$size" ] && sizearg=(--size "$size")
    [ -n "$stopat" ] && sizearg+=(--stop-at "$stopat")
    rm -rf "$WORK/data"
    local out
    if ! out=$("$BENCH" --root "$ROOT" --folder "$ours_dir" --id "$id" --code "$code" --count "$count" \
        --expect "$expected" --journal "$WORK/data/downloads.json" "${sizearg[@]}"); then
        echo "$name: the program's download failed: $out"; status=1
    fi
    if [ "$count" = 1 ]; then
        # Every byte of the saved file, against the site's own answer once more.
        curl -sf "$ROOT/media/$id/$code?n=0$query" | cmp -s - "$ours_dir/file00.mp4" \
            || { echo "$name: the saved file differs from the site's"; status=1; }
    fi
    rm -rf "$ours_dir"

    [ -s "$WORK/data/downloads.json" ] || { echo "$name: no journal was written"; status=1; }

    local ours_s rss gap probe read stopped
    ours_s=$(sed -n 's/.*seconds=\([0-9.]*\).*/\1/p' <<<"$out")
    read=$(sed -n 's/.*transferred=\([0-9]*\).*/\1/p' <<<"$out")
    stopped=$(sed -n 's/.*stopped=\([0-9]*\).*/\1/p' <<<"$out")
    rss=$(sed -n 's/.*peak_rss_kib=\([0-9]*\).*/\1/p' <<<"$out")
    gap=$(sed -n 's/.*max_timer_gap_ms=\([0-9]*\).*/\1/p' <<<"$out")
    probe=$(sed -n 's/.*max_probe_gap_ms=\([0-9]*\).*/\1/p' <<<"$out")
    local ratio
    ratio=$(echo "$ours_s / $curl_s" | bc -l)
    local gib
    gib=$(echo "$read / 1073741824" | bc -l)
    if [ -n "$stopat" ]; then
        printf '%s: curl %.2f s, clipvault %.2f s, %d of %d rows stopped and started again, read %.4f GiB in all (target <= 1.01), peak RSS %.1f MB (target < 150), largest timer tick gap %.2f s (target < 1.5)\n' \
            "$name" "$curl_s" "$ours_s" "$stopped" "$count" "$gib" "$(echo "$rss / 1024" | bc -l)" "$(echo "$gap / 1000" | bc -l)"
        if (( stopped != count )) || (( $(echo "$read > 1.01 * $expected * $count" | bc -l) )) || (( rss >= 150 * 1024 )) \
            || (( gap >= 1500 )); then
            echo "$name: target missed"; status=1
        fi
        return
    fi
    printf '%s: curl %.2f s, clipvault %.2f s, ratio %.2f (target <= 1.25), read %.4f GiB, peak RSS %.1f MB (target < 150), largest timer tick gap %.2f s (target < 1.5; 100 ms probe: %.2f s)\n' \
        "$name" "$curl_s" "$ours_s" "$ratio" "$gib" "$(echo "$rss / 1024" | bc -l)" "$(echo "$gap / 1000" | bc -l)" \
        "$(echo "$probe / 1000" | bc -l)"
    if (( $(echo "$ratio > 1.25" | bc -l) )) || (( rss >= 150 * 1024 )) || (( gap >= 1500 )); then
        echo "$name: target missed"; status=1
    fi
}

case "$MODE" in
1gib) run "1 GiB" bigFile1GiB 22 1 "" 1073741824 ;;
resume) run "1 GiB stopped at half" bigFile1GiB 22 1 "" 1073741824 536870912 ;;
25) run "25 x 40 MiB" sunsetBeach 18 25 41943040 41943040 ;;
all)
    run "1 GiB" bigFile1GiB 22 1 "" 1073741824
    run "1 GiB stopped at half" bigFile1GiB 22 1 "" 1073741824 536870912
    run "25 x 40 MiB" sunsetBeach 18 25 41943040 41943040
    ;;
*) echo "usage: $0 [1gib|resume|25|all]"; exit 2 ;;
esac
exit $status
