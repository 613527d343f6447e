#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite without a display.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh ccache
./scripts/build.sh
export QT_QPA_PLATFORM=offscreen
cd build
ctest -j2 --output-on-failure --timeout 600
