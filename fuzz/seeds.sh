#!/usr/bin/env bash
# Writes the fuzz targets' seed inputs: pages of a running demo site (ROOT, e.g.
# http://127.0.0.1:PORT), the extractor's JSON for its pages of today's kind, the program's own
# pictures and a few hand-made inputs. Run it when the page formats change; the seeds are kept in
# fuzz/corpus/.
set -euo pipefail
ROOT=${1:?usage: fuzz/seeds.sh http://127.0.0.1:PORT}
cd "$(dirname "$0")"
c=corpus
rm -rf "$c"
mkdir -p "$c"/{watch-pages,format-maps,page-text,result-pages,captions,wrapping,png,pictures,extractor-json,extractor-progress,release-files}

for id in sunsetBeach tomJerryMix spMapBadPct spMapUtf8Ln spBadLength spRelated9_; do
    page=$(curl -fsS "$ROOT/watch?v=$id")
    printf '%s' "$page" >"$c/watch-pages/$id.html"
    # The format map's value, still encoded.
    printf '%s' "$page" | grep -o '"fmt_url_map": "[^"]*' | cut -d'"' -f4 | head -c 2000 >"$c/format-maps/$id.txt" || true
done
# GetBetween's input: start marker, NUL, end marker, NUL, text.
printf "VIDEO_TITLE': '\0',\0%s" "$(cat "$c/watch-pages/tomJerryMix.html")" >"$c/page-text/title-markers.txt"
printf 'watch-video-desc description">\0</span>\0%s' "$(cat "$c/watch-pages/sunsetBeach.html")" >"$c/page-text/description-markers.txt"
for query in "all" "all&page=2" "zzzz"; do
    curl -fsS "$ROOT/results?search_query=$query" >"$c/result-pages/results-${query//&/-}.html"
done

printf '%s' 'a+b%2B%2C%7C%C3%A9%' >"$c/format-maps/mixed.txt"
printf '%s' "Tom &amp; Jerry &amp;amp;lt; \\'n\\' Roll &quot;Live&quot; / a:b*c?d|e  f" >"$c/page-text/title.txt"
printf '%s' '<a href="/watch?v=x">link</a> &lt;b&gt;bold&lt;/b&gt; <br />next' >"$c/page-text/description.txt"

captions=(
    '<b>Description:</b> Filmed at Crescent Beach. Tip: write <b> for bold.'
    '<c=255>red</c> plain <C=&HFF00>green</C><br>next <i>italic <u>under</u></i> <s>struck</s>'
    'x<b>y</b>  <i>z <c=4294967296>big <c=1.5e2>exp <c=&h00FFFFFFFE>hex <x> <c=red>'
    '<<<<b>x <c=<b>y A<br><br>B   <b> <i>'
)
for k in "${!captions[@]}"; do
    printf '%s' "${captions[$k]}" >"$c/captions/caption-$k.txt"
    printf '\x32%s' "${captions[$k]}" >"$c/wrapping/width100-$k.txt"
    printf '\x08%s' "${captions[$k]}" >"$c/wrapping/width16-$k.txt"
done
printf '\x32%s' "<b>Description:</b> abcdefghijklmnopqrst aa bb cc dd ee ff gg hh" >"$c/wrapping/long-word.txt"

cp ../src/image/images/102.png "$c/png/icon.png"

# The built-in signing key, bare and armored (without the optional checksum), and a SHA2-256SUMS.
cp ../src/updater/keys/yt-dlp-signing-key.gpg "$c/release-files/binary-key"
{ echo '-----BEGIN PGP PUBLIC KEY BLOCK-----'; echo; base64 -w 64 ../src/updater/keys/yt-dlp-signing-key.gpg
  echo '-----END PGP PUBLIC KEY BLOCK-----'; } >"$c/release-files/armored-key"
printf '%s  yt-dlp\n%s *yt-dlp_linux\nnot a line\n' "$(printf 'a%.0s' {1..64})" "$(printf 'F%.0s' {1..64})" \
    >"$c/release-files/sums"
printf '\x00\x00' >"$c/pictures/prefix"
for picture in ../src/image/images/102.png ../src/image/images/103.jpg; do
    cat "$c/pictures/prefix" "$picture" >"$c/pictures/$(basename "$picture")"
done
curl -fsS "$ROOT/vi/sunsetBeach/default.jpg" | cat "$c/pictures/prefix" - >"$c/pictures/thumbnail.jpg"
# A 2 x 1 picture with 24 bits per pixel, and a 1 x 1 GIF.
printf 'BM\x3e\x00\x00\x00\x00\x00\x00\x00\x36\x00\x00\x00\x28\x00\x00\x00\x02\x00\x00\x00\x01\x00\x00\x00\x01\x00\x18\x00\x00\x00\x00\x00\x08\x00\x00\x00\x13\x0b\x00\x00\x13\x0b\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\xff\xff\xff\x00\x00' \
    | cat "$c/pictures/prefix" - >"$c/pictures/two.bmp"
printf 'GIF89a\x01\x00\x01\x00\x80\x00\x00\x00\x00\x00\xff\xff\xff\x21\xf9\x04\x01\x00\x00\x00\x00\x2c\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00\x3b' \
    | cat "$c/pictures/prefix" - >"$c/pictures/one.gif"
rm "$c/pictures/prefix"

# The extractor reads the pages of today's kind (the real yt-dlp, run against the demo site).
# (The first byte of a seed says whether separate streams may be merged.)
for clip in harbour-lights lighthouse-day night-ferry tide-timelapse; do
    json=$(yt-dlp -J --no-warnings -- "$ROOT/clip/$clip" | head -c 30000)
    printf '\x01%s' "$json" >"$c/extractor-json/$clip.json"
done
printf '%s' '{"downloaded":1024,"total":4096,"estimate":null,"status":"downloading"}' >"$c/extractor-progress/report"
printf '%s' '{"downloaded":"NA","total":"NA","estimate":5000.5,"status":"finished"}' >"$c/extractor-progress/estimate"
printf '%s' '{"filepath":"/tmp/Video title.mp4"}' >"$c/extractor-progress/file"
# A run whose size estimate grows while it arrives, one report per line.
printf '%s\n' '{"downloaded":100,"total":null,"estimate":1000,"status":"downloading"}' \
    '{"downloaded":600,"total":null,"estimate":2000,"status":"downloading"}' \
    '{"downloaded":2000,"total":2000,"estimate":null,"status":"finished"}' >"$c/extractor-progress/growing"
