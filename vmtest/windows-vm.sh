# The host's side of the Windows VM, sourced by run-vm-tests.sh: finds (or
# builds) tr58kctl.exe in the Windows build, cross-compiles the HID listing
# diagnostic, keeps a Wine prefix in the build folder, and names the two 9p
# shares the VM mounts: the host's root read-only (Wine, its libraries and
# the .exe files at their own paths) and the prefix read-write.

WINE=/usr/lib/wine/wine64
WINE_PREFIX_DIR="$BUILD_DIR/vmtest/wineprefix"
WIN_HID_LIST="$BUILD_DIR/vmtest/tr58k-win-hid-list.exe"
CTL_EXE=""
WINDOWS_QEMU_OPTIONS=()

windows_find_ctl() {
  find "$WINDOWS_BUILD" -name tr58kctl.exe -not -path '*/wineprefix/*' 2>/dev/null | head -1
}

# Builds tr58kctl.exe when the Windows build folder lacks it. Returns 1,
# having said why, when it cannot.
windows_build_ctl() {
  if [ ! -f "$WINDOWS_BUILD/CMakeCache.txt" ]; then
    if [ ! -f "$ROOT/cmake/toolchain-mingw64.cmake" ]; then
      echo "vmtest: no tr58kctl.exe in $WINDOWS_BUILD, and this tree has no Windows" \
           "toolchain file (cmake/toolchain-mingw64.cmake) to build one" >&2
      return 1
    fi
    echo "vmtest: configuring the Windows build in $WINDOWS_BUILD"
    cmake -S "$ROOT" -B "$WINDOWS_BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw64.cmake" >/dev/null || return 1
  fi
  echo "vmtest: building tr58kctl.exe in $WINDOWS_BUILD"
  cmake --build "$WINDOWS_BUILD" --target tr58kctl -j "$(nproc)" || return 1
}

wine_on_host() {
  WINEPREFIX="$WINE_PREFIX_DIR" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
    WINEARCH=win64 "$WINE" "$@"
}

# The prefix the VM's Wine runs in, made once on the host and kept while the
# Wine version stays: the HID bus reads hidraw (SDL off), and leaves input
# devices alone (its evdev side crashed on the removal of one under udevd).
windows_prefix() {
  local version stamp="$WINE_PREFIX_DIR/.tr58k-wine-version"
  version=$("$WINE" --version)
  if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$version" ] &&
     grep -q '"DisableInput"=dword:00000001' "$WINE_PREFIX_DIR/system.reg" 2>/dev/null; then
    return 0
  fi
  echo "vmtest: making the Wine prefix $WINE_PREFIX_DIR"
  rm -rf "$WINE_PREFIX_DIR"
  mkdir -p "$WINE_PREFIX_DIR"
  wine_on_host wineboot --init >/dev/null 2>&1 || return 1
  local key='HKLM\System\CurrentControlSet\Services\winebus' value
  for value in "Enable SDL=0" "DisableInput=1"; do
    wine_on_host reg add "$key" /v "${value%=*}" /t REG_DWORD /d "${value#*=}" /f \
      >/dev/null 2>&1 || return 1
  done
  # The server writes the registry out when it ends.
  WINEPREFIX="$WINE_PREFIX_DIR" wineserver -w
  grep -q '"DisableInput"=dword:00000001' "$WINE_PREFIX_DIR/system.reg" || return 1
  echo "$version" > "$stamp"
}

windows_prepare() {
  tr58k_install_packages udev wine wine64 libwine fonts-wine g++-mingw-w64-x86-64-posix
  CTL_EXE=$(windows_find_ctl)
  if [ -z "$CTL_EXE" ]; then
    windows_build_ctl || {
      echo "vmtest: the Windows scenarios cannot run (set TR58K_SKIP_WINDOWS_VM=1 to run" \
           "the Linux ones alone)" >&2
      return 1
    }
    CTL_EXE=$(windows_find_ctl)
  fi
  [ -n "$CTL_EXE" ] || { echo "vmtest: the Windows build made no tr58kctl.exe" >&2; return 1; }
  if [ ! "$WIN_HID_LIST" -nt "$HERE/win_hid_list.cpp" ]; then
    mkdir -p "$(dirname "$WIN_HID_LIST")"
    x86_64-w64-mingw32-g++-posix -std=c++20 -O1 -Wall -Wextra -static \
      -o "$WIN_HID_LIST" "$HERE/win_hid_list.cpp" -lsetupapi -lhid || return 1
  fi
  windows_prefix || { echo "vmtest: could not make the Wine prefix" >&2; return 1; }
  echo "vmtest: Windows scenarios with $CTL_EXE"
  # The VM's logs (udev's events, Wine's traces) land in a third share, so
  # they can be read on the host after the run.
  WINDOWS_LOG_DIR="$WORK/windows/logs"
  rm -rf "$WINDOWS_LOG_DIR"
  mkdir -p "$WINDOWS_LOG_DIR"
  WINDOWS_QEMU_OPTIONS=(
    -virtfs "local,path=/,mount_tag=hostroot,security_model=none,readonly=on,multidevs=remap"
    -virtfs "local,path=$WINE_PREFIX_DIR,mount_tag=wineprefix,security_model=none,multidevs=remap"
    -virtfs "local,path=$WINDOWS_LOG_DIR,mount_tag=vmlogs,security_model=none,multidevs=remap"
  )
}

# What the VM's init reads: where the prefix and the programs are, as paths
# of the host (the VM sees the host's root at those same paths in its chroot).
windows_stage_config() {
  {
    echo "WINE_PREFIX_DIR='$WINE_PREFIX_DIR'"
    echo "CTL_EXE='$CTL_EXE'"
    echo "WIN_HID_LIST='$WIN_HID_LIST'"
  } > "$1/windows.conf"
}

windows_after_run() {
  # A server the VM left behind must not hold the prefix on the host.
  WINEPREFIX="$WINE_PREFIX_DIR" wineserver -k >/dev/null 2>&1 || true
}
