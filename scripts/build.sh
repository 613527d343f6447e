#!/usr/bin/env bash
# Configures and builds Clipvault, its demo site and its tests into build/ (warnings are errors).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCLIPVAULT_WERROR=ON >/dev/null
cmake --build build -j"$(nproc)"
