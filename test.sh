#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
#
#   ./test.sh           the whole proof, as CI runs it:
#                       1. the build in ./build and every CTest test
#                       2. the same suite built with AddressSanitizer and
#                          UndefinedBehaviorSanitizer (./build-asan)
#                       3. a short bounded fuzz run of every fuzz target
#                          (fuzz/run.sh 20)
#                       4. the Windows build and its tests under Wine
#                       5. the scenarios against a real kernel in QEMU VMs
#                          (vmtest/run-vm-tests.sh): the Linux programs, then
#                          the Windows build's under Wine
#   ./test.sh --quick   step 1 only
#   ./test.sh --asan    step 2 only
#   ./test.sh --tsan    every test but the package's (its window runs on an X
#                       server whose libraries TSan cannot see into) under
#                       ThreadSanitizer (./build-tsan)
#   ./test.sh --fuzz    step 3 only;  ./test.sh --vm   step 5 only
#   ./test.sh --windows step 4 only: tr58kctl.exe and the Windows tests,
#                       cross-built with mingw-w64 in ./build-windows and
#                       run under Wine (a prefix of their own in that folder)
#
# BUILD_DIR and JOBS override the build folder and the parallel jobs.
set -euo pipefail
cd "$(dirname "$0")"
ROOT=$PWD

MODE=${1:-all}
case "$MODE" in
  all|--quick|--asan|--tsan|--fuzz|--vm|--windows) ;;
  *) echo "usage: $0 [--quick | --asan | --tsan | --fuzz | --vm | --windows]" >&2; exit 2 ;;
esac

source scripts/deps.sh
tr58k_install_packages "${TR58K_PACKAGES[@]}"

JOBS=${JOBS:-$(nproc)}
export QT_QPA_PLATFORM=offscreen

# A suppressions file as a sanitizer option's value: quoted, since the
# options are split at spaces, commas and colons, which a checkout's path
# may hold.
suppressions() {
  local file="$ROOT/scripts/sanitizers/$1"
  if [[ $file == *"'"* ]]; then printf 'suppressions="%s"' "$file"; else printf "suppressions='%s'" "$file"; fi
}

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
        # A test that runs again as another user takes a copy of the file.
        export LSAN_OPTIONS="$(suppressions lsan.supp):print_suppressions=0"
        export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
        ctest --output-on-failure -j "$JOBS" --timeout 900 ;;
      thread)
        export TSAN_OPTIONS="$(suppressions tsan.supp):halt_on_error=1:second_deadlock_stack=1"
        ctest --output-on-failure -j "$JOBS" --timeout 900 -LE packaging ;;
    esac
  )
}

# windows_build_and_test: cross-builds in ./build-windows and runs CTest
# there, each test program under Wine (scripts/wine-run.sh). The Wine prefix
# lives in the build folder; its server is ended afterwards.
windows_build_and_test() {
  local dir="$ROOT/build-windows"
  echo "== Windows build in $dir (tests under Wine)"
  local start=$SECONDS
  local launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  cmake -S "$ROOT" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw64.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
  # The prefix is made once, before anything runs in it in parallel.
  local status=0
  # (set -e does not hold in a subshell tested with ||: hence the &&s.)
  (
    export TR58K_WINEPREFIX="$dir/wineprefix"
    scripts/wine-run.sh wineboot --init &&
      cmake --build "$dir" -j "$JOBS" &&
      cd "$dir" &&
      ctest --output-on-failure -j "$JOBS" --timeout 300
  ) || status=$?
  WINEPREFIX="$dir/wineprefix" wineserver -k 2>/dev/null || true
  echo "== Windows step: $((SECONDS - start)) s"
  return $status
}

BUILD_DIR=${BUILD_DIR:-build}
case "$MODE" in
  --quick) build_and_test "$BUILD_DIR" "" ;;
  --asan) build_and_test "$BUILD_DIR-asan" address,undefined ;;
  --tsan) build_and_test "$BUILD_DIR-tsan" thread ;;
  --fuzz) fuzz/run.sh 20 ;;
  --vm) vmtest/run-vm-tests.sh "$BUILD_DIR" ;;
  --windows) windows_build_and_test ;;
  all)
    build_and_test "$BUILD_DIR" ""
    build_and_test "$BUILD_DIR-asan" address,undefined
    echo "== fuzz (20 s a target)"
    fuzz/run.sh 20
    windows_build_and_test
    echo "== scenarios against a real kernel"
    vmtest/run-vm-tests.sh "$BUILD_DIR"
    ;;
esac
