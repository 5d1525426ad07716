#!/usr/bin/env bash
# Builds the libFuzzer programs with clang into build-fuzz/ and runs fuzz targets, each starting
# from its committed seed corpus (tests/fuzz/corpus/<target>/). Inputs that reach new code
# collect in build-fuzz/corpus/<target>/; a crash, hang or sanitizer report stops the target and
# leaves its input in build-fuzz/findings/<target>/.
# Usage: scripts/fuzz.sh [libFuzzer option ...] [target ...]
#   scripts/fuzz.sh                          every target, one million inputs each
#   scripts/fuzz.sh -max_total_time=600 poller
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh clang-14 libclang-rt-14-dev

options=()
targets=()
for arg in "$@"; do
    case "$arg" in
        -*) options+=("$arg") ;;
        *) targets+=("$arg") ;;
    esac
done
[ ${#options[@]} -gt 0 ] || options=(-runs=1000000)
if [ ${#targets[@]} -eq 0 ]; then
    for dir in tests/fuzz/corpus/*/; do
        targets+=("$(basename "$dir")")
    done
fi

CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNVQ_FUZZ=ON
cmake --build build-fuzz -j"$(nproc)" --target "${targets[@]/#/fuzz_}"

# Allocation stacks three frames deep: full ones cost the scan target two thirds of its speed;
# replay a finding (the program with its file as argument) under the full default to study it.
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:malloc_context_size=3"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizer/lsan.supp:print_suppressions=0"
for target in "${targets[@]}"; do
    corpus=build-fuzz/corpus/$target
    findings=build-fuzz/findings/$target
    mkdir -p "$corpus" "$findings"
    echo "== fuzz_$target ${options[*]}"
    build-fuzz/tests/fuzz/fuzz_"$target" "${options[@]}" -artifact_prefix="$findings/" \
        "$corpus" "tests/fuzz/corpus/$target"
done
