#!/bin/bash
# A server that limits each connection: nginx (Debian) on loopback with "limit_rate 8m" serves a
# file of 128 MiB, fetched in the same session, runs interleaved, by
#   curl                              (one connection)
#   aria2c -x8 -s8 -k1M               (eight connections)
#   the program's Downloader          (the Connections setting as it comes: 8)
# through bench/downloader. Every file is compared with the served one byte for byte. Prints each
# one's median time, the program's peak resident memory, and the ratio program / aria2c
# (target <= 1.15).
#   RUNS=N (default 5)   BUILD_DIR (default build-bench, a release build made when needed)
set -euo pipefail

SRC=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD_DIR:-$SRC/build-bench}
RUNS=${RUNS:-5}
for tool in nginx aria2c curl; do
    command -v "$tool" >/dev/null || [ -x "/usr/sbin/$tool" ] \
        || { echo "$tool is missing: scripts/install-deps.sh nginx aria2"; exit 1; }
done
NGINX=$(command -v nginx || echo /usr/sbin/nginx)

if [ ! -x "$BUILD/bench/downloader/clipvault-bench-downloader" ] || [ -n "${REBUILD:-}" ]; then
    cmake -S "$SRC" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$BUILD" -j2 --target clipvault-bench-downloader >/dev/null
fi
HARNESS=$BUILD/bench/downloader/clipvault-bench-downloader

WORK=$(mktemp -d)
NGINX_PID=
cleanup() {
    [ -n "$NGINX_PID" ] && kill "$NGINX_PID" 2>/dev/null && wait "$NGINX_PID" 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT
mkdir -p "$WORK/www" "$WORK/out" "$WORK/tmp"
head -c $((128 * 1024 * 1024)) /dev/urandom >"$WORK/www/file.bin"

# One process in the foreground of this script, as this user: nothing of the system's nginx is
# used or touched.
start_nginx() {
    local port=$1
    cat >"$WORK/nginx.conf" <<EOF
daemon off;
master_process off;
worker_processes 1;
pid $WORK/nginx.pid;
error_log $WORK/error.log;
events { worker_connections 256; }
http {
    access_log off;
    sendfile on;
    client_body_temp_path $WORK/tmp/body;
    proxy_temp_path $WORK/tmp/proxy;
    fastcgi_temp_path $WORK/tmp/fastcgi;
    uwsgi_temp_path $WORK/tmp/uwsgi;
    scgi_temp_path $WORK/tmp/scgi;
    server {
        listen 127.0.0.1:$port;
        root $WORK/www;
        location / { limit_rate 8m; }
    }
}
EOF
    "$NGINX" -c "$WORK/nginx.conf" -p "$WORK" 2>>"$WORK/error.log" &
    NGINX_PID=$!
    for _ in $(seq 50); do
        curl -sf -o /dev/null -r 0-0 "http://127.0.0.1:$port/file.bin" && return 0
        kill -0 "$NGINX_PID" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}
PORT=
for _ in $(seq 20); do
    candidate=$((20000 + RANDOM % 40000))
    if start_nginx "$candidate"; then PORT=$candidate; break; fi
    NGINX_PID=
done
[ -n "$PORT" ] || { echo "nginx did not start:"; cat "$WORK/error.log"; exit 1; }
URL="http://127.0.0.1:$PORT/file.bin"

now() { date +%s.%N; }
# timed NAME COMMAND...: runs the command, checks its file, appends the seconds to NAME's list.
declare -A TIMES
status=0
timed() {
    local name=$1; shift
    rm -f "$WORK/out/file.bin"
    local t0 t1
    t0=$(now)
    if ! "$@" >"$WORK/$name.out" 2>&1; then
        echo "$name failed: $(tail -n 3 "$WORK/$name.out")"; status=1
    fi
    t1=$(now)
    cmp -s "$WORK/www/file.bin" "$WORK/out/file.bin" || { echo "$name: the file differs from the served one"; status=1; }
    TIMES[$name]="${TIMES[$name]:-} $(echo "$t1 - $t0" | bc -l)"
}

peak=0
for run in $(seq "$RUNS"); do
    timed curl curl -sf -o "$WORK/out/file.bin" "$URL"
    timed aria2c aria2c -q -x8 -s8 -k1M --allow-overwrite=true --auto-file-renaming=false -d "$WORK/out" -o file.bin "$URL"
    timed clipvault "$HARNESS" "$URL" "$WORK/out/file.bin"
    kb=$(sed -n 's/.*peak_rss_kb=\([0-9]*\).*/\1/p' "$WORK/clipvault.out")
    peak=$(( ${kb:-0} > peak ? ${kb:-0} : peak ))
    printf 'run %d: curl %.2f s, aria2c %.2f s, clipvault %.2f s\n' "$run" \
        "$(awk '{print $NF}' <<<"${TIMES[curl]}")" "$(awk '{print $NF}' <<<"${TIMES[aria2c]}")" \
        "$(awk '{print $NF}' <<<"${TIMES[clipvault]}")"
done

median() { tr ' ' '\n' <<<"$1" | grep . | sort -g | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }
curl_m=$(median "${TIMES[curl]}")
aria_m=$(median "${TIMES[aria2c]}")
ours_m=$(median "${TIMES[clipvault]}")
ratio=$(echo "$ours_m / $aria_m" | bc -l)
printf 'medians of %d runs: curl %.2f s, aria2c %.2f s, clipvault %.2f s; clipvault / aria2c %.2f (target <= 1.15); peak RSS %.1f MB (target < 150)\n' \
    "$RUNS" "$curl_m" "$aria_m" "$ours_m" "$ratio" "$(echo "$peak / 1024" | bc -l)"
if (( $(echo "$ratio > 1.15" | bc -l) )) || (( peak >= 150 * 1024 )); then
    echo "target missed"; status=1
fi
exit $status
