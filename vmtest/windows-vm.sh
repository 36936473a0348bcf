# The host's side of the Windows VM, sourced by run-vm-tests.sh: finds (or
# builds) tr58kctl.exe and tr58k-config.exe in the Windows build,
# cross-compiles the harness's two diagnostics (the HID listing and the
# window watcher), keeps a Wine prefix in the build folder, and names the 9p
# shares the VM mounts: the host's root read-only (Wine and its libraries),
# a copy of the four programs, the prefix and a log folder.
#
# Inside the VM nothing is reached through the checkout's path, which the
# VM may not see (its own /tmp covers the host's, and a folder's name may
# hold anything): the shares are mounted under the VM's own /tmp at the
# fixed paths below, and windows.conf names the programs and the prefix
# there.

WINE=/usr/lib/wine/wine64
HOST_WINE_PREFIX="$BUILD_DIR/vmtest/wineprefix"
WIN_HID_LIST="$BUILD_DIR/vmtest/tr58k-win-hid-list.exe"
WIN_WINDOW_WATCH="$BUILD_DIR/vmtest/tr58k-win-window-watch.exe"
CTL_EXE=""
CONFIG_EXE=""
# The start-up benchmark (win-startup-bench, run only when named); the VM
# gets it when the Windows build has it.
STARTUP_BENCH_EXE=""
WINDOWS_QEMU_OPTIONS=()
# Where the VM mounts its shares (inside the chroot, and under /host outside).
VM_SHARES=/tmp/tr58k-vm
# The programs' copy on the host (made for each run) and the logs.
WINDOWS_PROGRAMS_DIR="$WORK/windows/programs"
WINDOWS_LOG_DIR="$WORK/windows/logs"

windows_find_program() {  # NAME.exe: its path in the Windows build, or nothing
  # Under src/: the packaging's stripped and installed copies are elsewhere.
  find "$WINDOWS_BUILD/src" -name "$1" -not -path '*/wineprefix*' 2>/dev/null | head -1
}

# Builds the two programs in the Windows build folder, or brings them up to
# date there. Returns 1, having said why, when it cannot.
windows_build_programs() {
  if [ ! -f "$WINDOWS_BUILD/CMakeCache.txt" ]; then
    if [ ! -f "$ROOT/cmake/toolchain-mingw64.cmake" ]; then
      echo "vmtest: no Windows programs in $WINDOWS_BUILD, and this tree has no Windows" \
           "toolchain file (cmake/toolchain-mingw64.cmake) to build them" >&2
      return 1
    fi
    echo "vmtest: configuring the Windows build in $WINDOWS_BUILD"
    cmake -S "$ROOT" -B "$WINDOWS_BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw64.cmake" >/dev/null || return 1
  fi
  echo "vmtest: building tr58kctl.exe and tr58k-config.exe in $WINDOWS_BUILD"
  local targets=(tr58kctl tr58k-config)
  [ "${WINDOWS_BENCH:-0}" = 1 ] && targets+=(win32_startup_bench)
  cmake --build "$WINDOWS_BUILD" --target "${targets[@]}" -j "$(nproc)" >/dev/null ||
    return 1
}

# A diagnostic program of the harness, cross-compiled when its source is newer.
windows_diagnostic() {  # OUTPUT SOURCE LIBRARY...
  local output=$1 source=$2
  shift 2
  [ "$output" -nt "$source" ] && return 0
  mkdir -p "$(dirname "$output")"
  x86_64-w64-mingw32-g++-posix -std=c++20 -O1 -Wall -Wextra -static -o "$output" "$source" "$@"
}

wine_on_host() {
  WINEPREFIX="$HOST_WINE_PREFIX" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
    WINEARCH=win64 "$WINE" "$@"
}

# The prefix the VM's Wine runs in, made once on the host and kept while the
# Wine version stays: the HID bus reads hidraw (SDL off), and leaves input
# devices alone (its evdev side crashed on the removal of one under udevd).
windows_prefix() {
  local version stamp="$HOST_WINE_PREFIX/.tr58k-wine-version"
  version=$("$WINE" --version)
  if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$version" ] &&
     grep -q '"DisableInput"=dword:00000001' "$HOST_WINE_PREFIX/system.reg" 2>/dev/null; then
    return 0
  fi
  echo "vmtest: making the Wine prefix $HOST_WINE_PREFIX"
  rm -rf "$HOST_WINE_PREFIX"
  mkdir -p "$HOST_WINE_PREFIX"
  wine_on_host wineboot --init >/dev/null 2>&1 || return 1
  local key='HKLM\System\CurrentControlSet\Services\winebus' value
  for value in "Enable SDL=0" "DisableInput=1"; do
    wine_on_host reg add "$key" /v "${value%=*}" /t REG_DWORD /d "${value#*=}" /f \
      >/dev/null 2>&1 || return 1
  done
  # The server writes the registry out when it ends.
  WINEPREFIX="$HOST_WINE_PREFIX" wineserver -w
  grep -q '"DisableInput"=dword:00000001' "$HOST_WINE_PREFIX/system.reg" || return 1
  echo "$version" > "$stamp"
}

# QEMU's options separate their fields with commas; one in a folder's name
# is written twice.
qemu_option_path() { printf '%s' "${1//,/,,}"; }

# The copy of the programs the VM runs, fresh for each run.
windows_share_programs() {
  rm -rf "$WINDOWS_PROGRAMS_DIR"
  mkdir -p "$WINDOWS_PROGRAMS_DIR"
  cp "$CTL_EXE" "$CONFIG_EXE" "$WIN_HID_LIST" "$WIN_WINDOW_WATCH" ${STARTUP_BENCH_EXE:+"$STARTUP_BENCH_EXE"} \
    "$WINDOWS_PROGRAMS_DIR/"
}

# The 9p shares: the host's root and the programs read-only, the prefix and
# the logs writable.
windows_share() {  # TAG HOST_FOLDER ro|rw
  local option
  option="local,path=$(qemu_option_path "$2"),mount_tag=$1,security_model=none"
  [ "$3" = ro ] && option="$option,readonly=on"
  WINDOWS_QEMU_OPTIONS+=(-virtfs "$option,multidevs=remap")
}
windows_shares() {
  WINDOWS_QEMU_OPTIONS=()
  windows_share hostroot / ro
  windows_share programs "$WINDOWS_PROGRAMS_DIR" ro
  windows_share wineprefix "$HOST_WINE_PREFIX" rw
  windows_share vmlogs "$WINDOWS_LOG_DIR" rw
}

windows_prepare() {
  tr58k_install_packages udev wine wine64 libwine fonts-wine xvfb g++-mingw-w64-x86-64-posix
  windows_build_programs || {
    echo "vmtest: the Windows scenarios cannot run (set TR58K_SKIP_WINDOWS_VM=1 to run" \
         "the Linux ones alone)" >&2
    return 1
  }
  CTL_EXE=$(windows_find_program tr58kctl.exe)
  CONFIG_EXE=$(windows_find_program tr58k-config.exe)
  STARTUP_BENCH_EXE=$(windows_find_program win32_startup_bench.exe)
  if [ -z "$CTL_EXE" ] || [ -z "$CONFIG_EXE" ]; then
    echo "vmtest: the Windows build made no tr58kctl.exe or no tr58k-config.exe" >&2
    return 1
  fi
  windows_diagnostic "$WIN_HID_LIST" "$HERE/win_hid_list.cpp" -lsetupapi -lhid || return 1
  windows_diagnostic "$WIN_WINDOW_WATCH" "$HERE/win_window_watch.cpp" -luser32 || return 1
  windows_prefix || { echo "vmtest: could not make the Wine prefix" >&2; return 1; }
  echo "vmtest: Windows scenarios with $CTL_EXE and $CONFIG_EXE"
  windows_share_programs || return 1
  # The VM's logs (udev's events, Wine's traces) land in a share of their
  # own, so they can be read on the host after the run.
  rm -rf "$WINDOWS_LOG_DIR"
  mkdir -p "$WINDOWS_LOG_DIR"
  windows_shares
}

# What the VM's init reads: where it mounts the programs' and the prefix's
# shares (SHARE_<tag>), and the programs and the prefix there, as paths
# inside the chroot.
windows_stage_config() {
  local exe
  {
    echo "SHARE_programs=$VM_SHARES/programs"
    echo "SHARE_wineprefix=$VM_SHARES/wineprefix"
    echo "WINE_PREFIX_DIR=$VM_SHARES/wineprefix"
    for exe in CTL_EXE CONFIG_EXE WIN_HID_LIST WIN_WINDOW_WATCH STARTUP_BENCH_EXE; do
      if [ -n "${!exe}" ]; then echo "$exe=$VM_SHARES/programs/$(basename "${!exe}")"; fi
    done
  } > "$1/windows.conf"
}

windows_after_run() {
  # A server the VM left behind must not hold the prefix on the host.
  WINEPREFIX="$HOST_WINE_PREFIX" wineserver -k >/dev/null 2>&1 || true
}
