#!/usr/bin/env bash
# Downloads a 1 GiB file from the demo site to disk through the Downloader and with curl in the
# same run; prints the time ratio (Downloader / curl) and the Downloader's peak resident memory.
# Then stops one download at half and resumes it from the bytes on disk: prints the bytes read in
# both parts together.
# Targets: ratio <= 1.3, peak memory < 100 MB, resumed download reads <= 1.01 GiB in all.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -x ${BUILD:-build}/bench/downloader/clipvault-bench-downloader ] || ./scripts/build.sh
work=$(mktemp -d)
log="$work/site.log"
./${BUILD:-build}/demosite/clipvault-demosite --port 0 >"$log" &
site=$!
trap 'kill $site 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 50); do grep -q "http://" "$log" && break; sleep 0.1; done
root=$(grep -o 'http://[0-9.:]*' "$log" | head -n1)
url="$root/media/bigFile1GiB/22"

runs=${RUNS:-3}
best_curl=999999; best_dl=999999; peak=0
for i in $(seq "$runs"); do
    t=$(curl -s -o "$work/curl.bin" -w '%{time_total}' "$url")
    rm -f "$work/curl.bin"
    out=$(./${BUILD:-build}/bench/downloader/clipvault-bench-downloader "$url" "$work/dl.bin")
    size=$(stat -c %s "$work/dl.bin"); rm -f "$work/dl.bin"
    s=$(sed -n 's/.*seconds=\([0-9.]*\).*/\1/p' <<<"$out")
    kb=$(sed -n 's/.*peak_rss_kb=\([0-9]*\).*/\1/p' <<<"$out")
    echo "run $i: curl ${t}s, Downloader ${s}s, ${size} bytes, peak ${kb} kB"
    best_curl=$(awk -v a="$best_curl" -v b="$t" 'BEGIN{print (b<a)?b:a}')
    best_dl=$(awk -v a="$best_dl" -v b="$s" 'BEGIN{print (b<a)?b:a}')
    peak=$(( kb > peak ? kb : peak ))
done
awk -v c="$best_curl" -v d="$best_dl" -v p="$peak" 'BEGIN{
    printf "best of runs: curl %.3fs, Downloader %.3fs, ratio %.2f (target <= 1.30), peak RSS %.1f MB (target < 100)\n", c, d, d/c, p/1024 }'

out=$(./${BUILD:-build}/bench/downloader/clipvault-bench-downloader "$url" "$work/dl.bin" 536870912)
size=$(stat -c %s "$work/dl.bin")
curl -s -o "$work/curl.bin" "$url"
same=$(cmp -s "$work/curl.bin" "$work/dl.bin" && echo yes || echo NO)
rm -f "$work/dl.bin" "$work/curl.bin"
t=$(sed -n 's/.*transferred=\([0-9]*\).*/\1/p' <<<"$out")
r=$(sed -n 's/.*resumed=\([0-9]*\).*/\1/p' <<<"$out")
awk -v t="$t" -v s="$size" -v r="$r" -v same="$same" 'BEGIN{
    printf "stopped at half and resumed: %d bytes on disk, identical to curl'"'"'s: %s, resumed: %s, read %.4f GiB in all (target <= 1.01)\n", s, same, (r==1)?"yes":"NO", t/1073741824 }'
