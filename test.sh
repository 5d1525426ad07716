#!/usr/bin/env bash
# Installs what is missing, builds and runs every test.
#   ./test.sh             in build/
#   ./test.sh --sanitize  in build-asan/, built with AddressSanitizer and UndefinedBehaviorSanitizer;
#                         any report (memory error, undefined behaviour, leak) fails its test
#   ./test.sh --tsan      in build-tsan/, the line engine's and the windows' tests under
#                         ThreadSanitizer
set -euo pipefail
cd "$(dirname "$0")"

build=build
options=()
targets=()
tests=()
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
    --tsan)
        # The line engine runs jobs in a thread of its own: its tests under ThreadSanitizer, and
        # those of each window that runs on it. Qt's own libraries are not built with it, so their
        # locks are invisible to it: ignore_noninstrumented_modules drops only what the allocator
        # and memory calls made from inside Qt touch (Qt's painter hands the parts of a large fill
        # to threads of its own and waits for them on a semaphore, which looked like a race on the
        # task it makes and deletes); every access of this program's code is still checked.
        # Anything else that makes it report inside Qt would be named in the suppressions file.
        build=build-tsan
        options=(-DNVQ_TSAN=ON)
        targets=(--target device_tests terminal_tests main_window_tests setup_tests connect_tests bus_tests
                 link_tests)
        tests=(-R "^(LineEngine|Terminal|Startup|Polling|Commands|StopKey|LineStatus|WindowWidgets|ParameterFile|FileCommandsTest|UploadTest|DownloadTest|HandOver|LateReply|SetupEngineTest|ConnectionDialog|PortsDialog|SearchWindow|BusWindow|BusListFile|NetworkPort)")
        export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:ignore_noninstrumented_modules=1:suppressions=$PWD/tests/sanitizer/tsan.supp"
        ;;
    *)
        echo "usage: $0 [--sanitize|--tsan]" >&2
        exit 2
        ;;
esac

scripts/install-deps.sh
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${options[@]}"
cmake --build "$build" -j"$(nproc)" "${targets[@]}"
cd "$build"
ctest --output-on-failure -j"$(nproc)" --timeout 300 "${tests[@]}"
