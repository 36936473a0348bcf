#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
# Usage: ./test.sh            (build in ./build, run all tests)
#        ./test.sh --asan     (build in ./build-asan with AddressSanitizer and
#                              UndefinedBehaviorSanitizer, run all tests)
#        ./test.sh --tsan     (build in ./build-tsan with ThreadSanitizer, run
#                              the tests that run threads)
set -euo pipefail
cd "$(dirname "$0")"

SANITIZE=""
case "${1:-}" in
  "") ;;
  --asan) SANITIZE=address,undefined; BUILD_DIR=${BUILD_DIR:-build-asan} ;;
  --tsan) SANITIZE=thread; BUILD_DIR=${BUILD_DIR:-build-tsan} ;;
  *) echo "usage: $0 [--asan | --tsan]" >&2; exit 2 ;;
esac

source scripts/deps.sh
tr58k_install_packages "${TR58K_PACKAGES[@]}"

BUILD_DIR=${BUILD_DIR:-build}
JOBS=${JOBS:-$(nproc)}
CONFIGURE=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
[[ -n "$SANITIZE" ]] && CONFIGURE+=(-DTR58K_SANITIZE="$SANITIZE")
cmake -S . -B "$BUILD_DIR" "${CONFIGURE[@]}" >/dev/null
cmake --build "$BUILD_DIR" -j "$JOBS"
export QT_QPA_PLATFORM=offscreen
SUPPRESSIONS="$PWD/scripts/sanitizers"
cd "$BUILD_DIR"
case "$SANITIZE" in
  "")
    ctest --output-on-failure -j "$JOBS" --timeout 300 ;;
  address,undefined)
    export ASAN_OPTIONS=detect_leaks=1:detect_stack_use_after_return=1
    export LSAN_OPTIONS=suppressions=$SUPPRESSIONS/lsan.supp:print_suppressions=0
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    ctest --output-on-failure -j "$JOBS" --timeout 900 ;;
  thread)
    export TSAN_OPTIONS=suppressions=$SUPPRESSIONS/tsan.supp:halt_on_error=1:second_deadlock_stack=1
    ctest --output-on-failure -j "$JOBS" --timeout 900 -R "$(cat "$SUPPRESSIONS/threaded-tests")" ;;
esac
