#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those that
# are missing, so a second run installs nothing. Sourced by test.sh and run.sh.
set -euo pipefail

# What building and running the programs needs (./run.sh).
TR58K_BUILD_PACKAGES=(
  cmake g++ pkg-config make
  libudev-dev
  libsystemd-dev  # the sleep inhibitor (sd-bus)
  qt6-base-dev libgl-dev
  gettext  # xgettext, msgfmt, msgmerge, msgcmp: the catalogues in po/
  # The window's fonts: Chinese, Japanese and Korean glyphs; Latin and
  # Cyrillic (the dialog font's stand-in, which the fit test measures).
  fonts-wqy-zenhei fonts-dejavu-core
  fonts-liberation2  # Arial's metrics for the window's DPI captions
)

# What the tests need on top (./test.sh).
TR58K_TEST_PACKAGES=(
  libgtest-dev libgmock-dev
  dbus-daemon  # the sleep inhibitor's test bus
  # The package test: cpack's DEB generator (dpkg-shlibdeps), the desktop
  # entry and metainfo validators, a virtual X server for the menu command.
  dpkg-dev desktop-file-utils appstream xvfb xauth
  lintian  # the package test runs Debian's own checker on the .deb
  clang libclang-rt-14-dev  # the fuzz targets (libFuzzer, fuzz/run.sh)
  # The Windows build (posix-threads mingw-w64, GoogleTest's sources) and
  # its tests under Wine (./test.sh --windows).
  g++-mingw-w64-x86-64-posix googletest wine wine64 libwine fonts-wine
  # The Windows programs' icon (icotool) and installer (makensis); the
  # Chinese font and screen capture of the Windows pictures.
  icoutils nsis fonts-wqy-microhei imagemagick
)

TR58K_PACKAGES=("${TR58K_BUILD_PACKAGES[@]}" "${TR58K_TEST_PACKAGES[@]}")

tr58k_missing_packages() {
  local missing=()
  local pkg
  for pkg in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$pkg")
    fi
  done
  echo "${missing[@]:-}"
}

tr58k_install_packages() {
  local missing
  missing=$(tr58k_missing_packages "$@")
  [ -z "$missing" ] && return 0
  echo "Installing missing packages: $missing"
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
  fi
  $sudo apt-get update -qq
  # shellcheck disable=SC2086
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing
}
