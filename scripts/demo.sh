#!/usr/bin/env bash
# Installs what is missing, builds, starts the local demo site and the program against it.
# Without a display the program runs in a virtual one (Xvfb) and a screenshot is saved.
set -euo pipefail
cd "$(dirname "$0")/.."
# ImageMagick takes the screenshot when there is no display.
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then ./scripts/install-deps.sh; else ./scripts/install-deps.sh imagemagick; fi
./scripts/build.sh

log=$(mktemp)
# Media are served at 4 MB/s so that the progress bars can be watched.
./build/demosite/clipvault-demosite --port 0 --media-rate 4000000 >"$log" &
site=$!
trap 'kill $site 2>/dev/null || true; rm -f "$log"' EXIT
for _ in $(seq 50); do grep -q "http://" "$log" && break; sleep 0.1; done
root=$(grep -o 'http://[0-9.:]*' "$log" | head -n1)
echo "Demo site: $root (open it in a browser for the list of demo videos)"
echo "Paste for example $root/watch?v=sunsetBeach into \"Video URL:\", or search for \"all\"."

export CLIPVAULT_SITE_ROOT="$root" CLIPVAULT_THUMBNAIL_ROOT="$root"
# The demo's own list of downloads, holding one small download that goes on at start-up, so that
# the list shows a row finishing; the window opens on a demo video's page.
demo_data=$(mktemp -d)
trap 'kill $site 2>/dev/null || true; rm -rf "$log" "$demo_data"' EXIT
mkdir -p "$demo_data/Clipvault/Clipvault"
cat >"$demo_data/Clipvault/Clipvault/downloads.json" <<JSON
{"format": "clipvault-downloads", "version": 1, "rows": [{"address": "$root/media/pianoLesson/18?size=3000000",
 "fileName": "Piano lesson (demo).mp4", "saveFolder": "$demo_data", "state": 1, "bytes": 0, "total": -1,
 "etag": "", "lastModified": "", "watchPage": "$root/watch?v=pianoLesson", "encoding": "18",
 "added": "$(date -u +%Y-%m-%dT%H:%M:%S.000Z)", "caption": "", "headers": []}]}
JSON
export XDG_DATA_HOME="$demo_data"
watch="$root/watch?v=sunsetBeach"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    ./build/src/app/clipvault "$watch"
else
    echo "No display: running in a virtual one for 20 seconds; screenshot in clipvault-demo.png"
    xvfb-run -a -s "-screen 0 1280x900x24" bash -c '
        ./build/src/app/clipvault "$0" & app=$!
        sleep 8
        import -window root clipvault-demo.png
        sleep 12; kill $app; wait $app || true' "$watch"
fi
