#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
#
#   ./test.sh           the whole proof, as CI runs it:
#                       1. the build in ./build and every CTest test
#                       2. the same suite built with AddressSanitizer and
#                          UndefinedBehaviorSanitizer (./build-asan)
#                       3. a short bounded fuzz run of every fuzz target
#                          (fuzz/run.sh 20)
#                       4. the scenarios against a real kernel in a QEMU VM
#                          (vmtest/run-vm-tests.sh)
#   ./test.sh --quick   step 1 only
#   ./test.sh --asan    step 2 only
#   ./test.sh --tsan    every test but the package's (its window runs on an X
#                       server whose libraries TSan cannot see into) under
#                       ThreadSanitizer (./build-tsan)
#   ./test.sh --fuzz    step 3 only;  ./test.sh --vm   step 4 only
#
# BUILD_DIR and JOBS override the build folder and the parallel jobs.
set -euo pipefail
cd "$(dirname "$0")"
ROOT=$PWD

MODE=${1:-all}
case "$MODE" in
  all|--quick|--asan|--tsan|--fuzz|--vm) ;;
  *) echo "usage: $0 [--quick | --asan | --tsan | --fuzz | --vm]" >&2; exit 2 ;;
esac

source scripts/deps.sh
tr58k_install_packages "${TR58K_PACKAGES[@]}"

JOBS=${JOBS:-$(nproc)}
SUPPRESSIONS="$ROOT/scripts/sanitizers"
export QT_QPA_PLATFORM=offscreen

# build_and_test BUILD_DIR SANITIZE: configures, builds and runs CTest.
build_and_test() {
  local dir=$1 sanitize=$2
  local configure=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DTR58K_BUILD_TESTS=ON)
  [[ -n "$sanitize" ]] && configure+=(-DTR58K_SANITIZE="$sanitize")
  echo "== build in $dir${sanitize:+ (sanitizers: $sanitize)}"
  cmake -S "$ROOT" -B "$dir" "${configure[@]}" >/dev/null
  cmake --build "$dir" -j "$JOBS"
  (
    cd "$dir"
    case "$sanitize" in
      "")
        ctest --output-on-failure -j "$JOBS" --timeout 300 ;;
      address,undefined)
        export ASAN_OPTIONS=detect_leaks=1:detect_stack_use_after_return=1
        export LSAN_OPTIONS=suppressions=$SUPPRESSIONS/lsan.supp:print_suppressions=0
        export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
        ctest --output-on-failure -j "$JOBS" --timeout 900 ;;
      thread)
        export TSAN_OPTIONS=suppressions=$SUPPRESSIONS/tsan.supp:halt_on_error=1:second_deadlock_stack=1
        ctest --output-on-failure -j "$JOBS" --timeout 900 -LE packaging ;;
    esac
  )
}

BUILD_DIR=${BUILD_DIR:-build}
case "$MODE" in
  --quick) build_and_test "$BUILD_DIR" "" ;;
  --asan) build_and_test "$BUILD_DIR-asan" address,undefined ;;
  --tsan) build_and_test "$BUILD_DIR-tsan" thread ;;
  --fuzz) fuzz/run.sh 20 ;;
  --vm) vmtest/run-vm-tests.sh "$BUILD_DIR" ;;
  all)
    build_and_test "$BUILD_DIR" ""
    build_and_test "$BUILD_DIR-asan" address,undefined
    echo "== fuzz (20 s a target)"
    fuzz/run.sh 20
    echo "== scenarios against a real kernel"
    vmtest/run-vm-tests.sh "$BUILD_DIR"
    ;;
esac
