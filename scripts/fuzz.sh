#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer) into
# build-fuzz/ (BUILD_DIR for another folder) and runs every target for FUZZ_SECONDS seconds
# (default 30) from its seeds in fuzz/corpus/ with its dictionary fuzz/dict/TARGET.dict.
# A crash, a sanitizer report, an input that runs over 10 s or a broken property fails the run;
# the input that did it is printed (hex) with the target's last output. FUZZ_TARGETS="a b" runs
# only those targets. New inputs found on the way are kept in a temporary folder only.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh clang-14 libclang-rt-14-dev ccache

root=$(pwd)
build=${BUILD_DIR:-build-fuzz}
seconds=${FUZZ_SECONDS:-30}
instrument="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
    -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_FLAGS="-O1 $instrument" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
    -DCLIPVAULT_FUZZ=ON -DCLIPVAULT_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target fuzz-targets

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
supp=$root/scripts/sanitizers
export ASAN_OPTIONS="detect_leaks=1:suppressions=$supp/asan.supp"
export LSAN_OPTIONS="suppressions=$supp/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:suppressions=$supp/ubsan.supp"
export QT_QPA_PLATFORM=offscreen

# Each target and the folder of its seeds.
declare -A seeds=(
    [fuzz_formatmap]=watch-pages [fuzz_videodetails]=watch-pages [fuzz_related]=watch-pages
    [fuzz_percentdecode]=format-maps [fuzz_pagetext]=page-text [fuzz_resultpage]=result-pages
    [fuzz_caption]=captions [fuzz_wrap]=wrapping [fuzz_png]=png [fuzz_stream]=pictures
    [fuzz_extractorjson]=extractor-json [fuzz_extractorprogress]=extractor-progress
    [fuzz_releasefiles]=release-files
)
targets=${FUZZ_TARGETS:-$(printf '%s\n' "${!seeds[@]}" | sort)}
failed=()
for target in $targets; do
    binary=$build/fuzz/$target
    [ -n "${seeds[$target]:-}" ] || { echo "$target: no such target"; failed+=("$target"); continue; }
    [ -x "$binary" ] || { echo "$target: not built"; failed+=("$target"); continue; }
    mkdir -p "$work/$target/corpus"
    dict=()
    [ -f "fuzz/dict/$target.dict" ] && dict=(-dict="fuzz/dict/$target.dict")
    if "$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        "${dict[@]}" -artifact_prefix="$work/$target/" "$work/$target/corpus" "fuzz/corpus/${seeds[$target]}" \
        >"$work/$target/log" 2>&1; then
        runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$work/$target/log" | grep -o '[0-9]*$' || true)
        echo "$target: ${runs:-?} inputs in ${seconds} s, no fault"
    else
        failed+=("$target")
        echo "$target: FAILED"
        tail -n 60 "$work/$target/log"
        for artifact in "$work/$target"/crash-* "$work/$target"/timeout-* "$work/$target"/leak-* \
                        "$work/$target"/oom-* "$work/$target"/slow-unit-*; do
            [ -f "$artifact" ] || continue
            echo "--- input $(basename "$artifact") ($(stat -c %s "$artifact") bytes):"
            od -A d -t x1z -v "$artifact" | head -n 200
        done
    fi
done

if ((${#failed[@]})); then
    echo "Fuzzing failed: ${failed[*]}"
    exit 1
fi
