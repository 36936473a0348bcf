#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
# Usage: ./test.sh            (build in ./build, run all tests)
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
tr58k_install_packages "${TR58K_PACKAGES[@]}"

BUILD_DIR=${BUILD_DIR:-build}
JOBS=${JOBS:-$(nproc)}
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD_DIR" -j "$JOBS"
export QT_QPA_PLATFORM=offscreen
cd "$BUILD_DIR"
ctest --output-on-failure -j "$JOBS" --timeout 300
