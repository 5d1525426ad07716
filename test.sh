#!/usr/bin/env bash
# Installs what is missing, builds and runs every test.
#   ./test.sh             in build/
#   ./test.sh --sanitize  in build-asan/, built with AddressSanitizer and UndefinedBehaviorSanitizer;
#                         any report (memory error, undefined behaviour, leak) fails its test
set -euo pipefail
cd "$(dirname "$0")"

build=build
options=()
case "${1:-}" in
    "") ;;
    --sanitize)
        build=build-asan
        options=(-DNVQ_SANITIZE=ON)
        # Stop at the first report, with its stack; leaks count. The leak suppressions name only
        # what the Qt libraries themselves keep until the process ends (see the file).
        export ASAN_OPTIONS="halt_on_error=1:abort_on_error=0:detect_leaks=1:detect_stack_use_after_return=1:strict_string_checks=1:check_initialization_order=1"
        export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
        export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizer/lsan.supp:print_suppressions=0"
        ;;
    *)
        echo "usage: $0 [--sanitize]" >&2
        exit 2
        ;;
esac

scripts/install-deps.sh
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${options[@]}"
cmake --build "$build" -j"$(nproc)"
cd "$build"
ctest --output-on-failure -j"$(nproc)" --timeout 300
