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
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    ./build/src/app/clipvault
else
    echo "No display: running in a virtual one for 20 seconds; screenshot in clipvault-demo.png"
    xvfb-run -a -s "-screen 0 1280x900x24" bash -c '
        ./build/src/app/clipvault & app=$!
        sleep 8
        import -window root clipvault-demo.png
        sleep 12; kill $app; wait $app || true'
fi
