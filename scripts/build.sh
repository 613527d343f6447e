#!/usr/bin/env bash
# Configures and builds Clipvault, its demo site and its tests into build/ (warnings are errors).
set -euo pipefail
cd "$(dirname "$0")/.."
# ccache, where installed, makes a second build of the same tree in the same folder quick.
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCLIPVAULT_WERROR=ON "${launcher[@]}" >/dev/null
cmake --build build -j"$(nproc)"
