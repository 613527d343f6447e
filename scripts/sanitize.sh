#!/usr/bin/env bash
# Builds Clipvault, its demo site and its tests with GCC's AddressSanitizer, LeakSanitizer and
# UndefinedBehaviorSanitizer into build-sanitize/ (BUILD_DIR for another folder) and runs the whole
# test suite under them. Any sanitizer report of any process the tests start (tests, demo sites,
# the program) fails the run and is printed; the only reports let through are those that come
# from Qt's libraries alone, named with a reason in scripts/sanitizers/.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh ccache

root=$(pwd)
build=${BUILD_DIR:-build-sanitize}
sanitizers="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=g++ \
    -DCMAKE_CXX_COMPILER_LAUNCHER=ccache \
    -DCMAKE_CXX_FLAGS="-O1 $sanitizers" \
    -DCMAKE_EXE_LINKER_FLAGS="$sanitizers" -DCMAKE_SHARED_LINKER_FLAGS="$sanitizers" >/dev/null
cmake --build "$build" -j"$(nproc)"

reports=$(mktemp -d)
trap 'rm -rf "$reports"' EXIT
supp=$root/scripts/sanitizers
# Reports go to files (one per process) so that those of child processes are seen too. Faults
# that the instrumented code meets always end the process; those that the allocator sees (a
# mismatched or double delete) are logged and the process goes on, so that reports.sh can tell
# Qt's own from the project's.
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=0:detect_stack_use_after_return=1:check_initialization_order=1:suppressions=$supp/asan.supp:log_path=$reports/report"
export LSAN_OPTIONS="suppressions=$supp/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:suppressions=$supp/ubsan.supp:log_path=$reports/report"
export QT_QPA_PLATFORM=offscreen

status=0
(cd "$build" && ctest -j2 --output-on-failure --timeout 900) || status=$?

if compgen -G "$reports/report*" >/dev/null; then
    scripts/sanitizers/reports.sh "$reports"/report* || status=1
fi
exit $status
