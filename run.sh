#!/usr/bin/env bash
# Installs what is missing, builds the configuration window in ./build and
# starts it. Usage: ./run.sh [--simulate]
#   --simulate   run on the simulated mouse instead of the real one
#                (Ctrl+Shift+P plugs it in and pulls it out)
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
tr58k_install_packages "${TR58K_BUILD_PACKAGES[@]}"

BUILD_DIR=${BUILD_DIR:-build}
JOBS=${JOBS:-$(nproc)}
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTR58K_BUILD_TESTS=OFF >/dev/null
cmake --build "$BUILD_DIR" --target tr58k-config -j "$JOBS"
exec "$BUILD_DIR/src/app/tr58k-config" "$@"
