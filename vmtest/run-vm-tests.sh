#!/usr/bin/env bash
# Runs the program against a real Linux kernel: boots Debian's kernel in QEMU
# (software emulation, no KVM needed), creates a virtual TR-58K there through
# /dev/uhid and runs the scenarios in vmtest/scenarios against the unmodified
# tr58kctl. The win-* scenarios run the Windows build's tr58kctl.exe under
# Wine in a VM of their own (the host's root shared read-only over 9p, udevd
# and a virtual display running). Exit status 0 only when every scenario
# passed.
#
# Usage: vmtest/run-vm-tests.sh [--windows-build DIR] [BUILD_DIR [SCENARIO...]]
#   BUILD_DIR   the CMake build folder (default: build); the binaries are
#               built there, or brought up to date, first
#   --windows-build DIR   the Windows build folder with tr58kctl.exe and
#               tr58k-config.exe (default: build-windows beside BUILD_DIR);
#               built there, or brought up to date, first
#   SCENARIO    names of vmtest/scenarios/*.sh to run (default: all but the
#               benchmarks, *-bench, which run when named)
# Environment:
#   TR58K_VM_CACHE     where the kernel is kept (default ~/.cache/tr58k-vmtest)
#   TR58K_VM_TIMEOUT   seconds before a hung VM fails the run (default 420;
#                      the Windows VM has TR58K_WINDOWS_VM_TIMEOUT, 1500)
#   TR58K_SKIP_VM_TESTS=1   skip (says so and exits 0)
#   TR58K_SKIP_WINDOWS_VM=1 run the Linux scenarios only (says so); without
#                      it a Windows build that cannot be had fails the run
set -euo pipefail

HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(dirname "$HERE")
WINDOWS_BUILD=""
if [ "${1:-}" = --windows-build ]; then
  WINDOWS_BUILD=${2:?--windows-build needs a folder}
  shift 2
fi
BUILD_DIR=${1:-build}
[ $# -gt 0 ] && shift
case "$BUILD_DIR" in /*) ;; *) BUILD_DIR="$ROOT/$BUILD_DIR" ;; esac
WINDOWS_BUILD=${WINDOWS_BUILD:-$(dirname "$BUILD_DIR")/build-windows}
case "$WINDOWS_BUILD" in /*) ;; *) WINDOWS_BUILD="$ROOT/$WINDOWS_BUILD" ;; esac

if [ "${TR58K_SKIP_VM_TESTS:-0}" = 1 ]; then
  echo "vmtest: skipped (TR58K_SKIP_VM_TESTS=1)"
  exit 0
fi
if [ "$(uname -m)" != x86_64 ]; then
  echo "vmtest: skipped: the VM scenarios boot an amd64 kernel and need an x86_64 host"
  exit 0
fi

# shellcheck source=../scripts/deps.sh
source "$ROOT/scripts/deps.sh"
tr58k_install_packages qemu-system-x86 busybox-static cpio xz-utils

CACHE=${TR58K_VM_CACHE:-${XDG_CACHE_HOME:-${HOME:-/tmp}/.cache}/tr58k-vmtest}
TIMEOUT=${TR58K_VM_TIMEOUT:-420}
WORK="$BUILD_DIR/vmtest/vm"
mkdir -p "$CACHE" "$WORK"

# ---- the kernel: Debian's, unpacked from its package, never installed -------

# The modules the VM loads, in this order: HID over uhid, and for the Windows
# VM the 9p file system over virtio (Debian builds all of them as modules).
HID_MODULES="hid hid-generic uhid"
NINEP_MODULES="virtio_ring virtio virtio_pci_modern_dev virtio_pci_legacy_dev virtio_pci
  netfs fscache 9pnet 9pnet_virtio 9p"

kernel_package() {
  apt-cache depends linux-image-amd64 2>/dev/null |
    sed -n 's/^ *Depends: \(linux-image-[0-9].*-amd64\)$/\1/p' | head -1
}

fetch_kernel() {
  local pkg
  pkg=$(kernel_package)
  if [ -z "$pkg" ]; then
    apt-get update -qq
    pkg=$(kernel_package)
  fi
  [ -n "$pkg" ] || { echo "vmtest: no linux-image-amd64 in the package lists" >&2; return 1; }
  if [ -f "$CACHE/kernel.name" ] && [ "$(cat "$CACHE/kernel.name")" = "$pkg" ] &&
     [ -f "$CACHE/vmlinux" ] && [ -f "$CACHE/modules/uhid.ko" ] &&
     [ -f "$CACHE/modules/9p.ko" ]; then
    return 0
  fi
  echo "vmtest: fetching $pkg"
  local tmp
  tmp=$(mktemp -d "$CACHE/fetch.XXXXXX")
  (cd "$tmp" && apt-get -o APT::Sandbox::User=root download "$pkg" >/dev/null) || {
    apt-get update -qq
    (cd "$tmp" && apt-get -o APT::Sandbox::User=root download "$pkg" >/dev/null)
  }
  dpkg-deb -x "$tmp"/*.deb "$tmp/root"
  local vmlinuz modules
  vmlinuz=$(ls "$tmp"/root/boot/vmlinuz-*)
  modules=$(ls -d "$tmp"/root/lib/modules/*/kernel)
  # The uncompressed kernel boots several seconds faster under emulation
  # than the self-extracting one: cut the xz stream out of the bzImage.
  local offset
  offset=$(LC_ALL=C grep -obUaP '\xFD7zXZ\x00' "$vmlinuz" | head -1 | cut -d: -f1)
  tail -c +$((offset + 1)) "$vmlinuz" | xz -dc > "$tmp/vmlinux" 2>/dev/null || true
  if ! head -c 4 "$tmp/vmlinux" | grep -q ELF; then
    echo "vmtest: could not unpack $vmlinuz; booting it compressed" >&2
    cp "$vmlinuz" "$tmp/vmlinux"
  fi
  rm -rf "$CACHE/modules"
  mkdir -p "$CACHE/modules"
  local m
  for m in $HID_MODULES $NINEP_MODULES; do
    find "$modules" -name "$m.ko" -exec cp {} "$CACHE/modules/" \;
    [ -f "$CACHE/modules/$m.ko" ] || { echo "vmtest: $pkg has no module $m" >&2; return 1; }
  done
  mv "$tmp/vmlinux" "$CACHE/vmlinux"
  echo "$pkg" > "$CACHE/kernel.name"
  rm -rf "$tmp"
}

fetch_kernel

# ---- the scenarios and the binaries --------------------------------------------

if [ $# -gt 0 ]; then
  SCENARIOS=("$@")
else
  SCENARIOS=()
  for f in "$HERE"/scenarios/*.sh; do
    # Benchmarks (*-bench) check nothing of their own; they run when named.
    case "$f" in *-bench.sh) continue ;; esac
    SCENARIOS+=("$(basename "$f" .sh)")
  done
fi
# A benchmark named: the Windows build brings its program up to date too.
case " ${SCENARIOS[*]} " in *"-bench "*) WINDOWS_BENCH=1 ;; esac
LINUX_SCENARIOS=()
WINDOWS_SCENARIOS=()
for s in "${SCENARIOS[@]}"; do
  [ -f "$HERE/scenarios/$s.sh" ] || { echo "vmtest: no scenario $s" >&2; exit 2; }
  case "$s" in
    win-*) WINDOWS_SCENARIOS+=("$s") ;;
    *) LINUX_SCENARIOS+=("$s") ;;
  esac
done

BINARIES=(vmtest/tr58k-uhid-mouse)
if [ ${#LINUX_SCENARIOS[@]} -gt 0 ]; then
  BINARIES+=(src/cli/tr58kctl src/device/linux/tr58k-hid-list)
fi
# The window goes into the VM when the build has it (TR58K_BUILD_GUI) and
# the window scenario runs; it brings Qt along, which the others do without.
PROBE=""
if [[ " ${LINUX_SCENARIOS[*]:-} " == *" window "* ]] &&
   ! grep -q '^TR58K_BUILD_GUI:BOOL=OFF' "$BUILD_DIR/CMakeCache.txt" 2>/dev/null; then
  PROBE=vmtest/tr58k-window-probe
  BINARIES+=("$PROBE")
fi
missing=()
for bin in "${BINARIES[@]}"; do
  [ -x "$BUILD_DIR/$bin" ] || missing+=("$(basename "$bin")")
done
if [ ${#missing[@]} -gt 0 ]; then
  # The virtual mouse and the probe are built only with the tests.
  cmake -S "$ROOT" -B "$BUILD_DIR" -DTR58K_BUILD_TESTS=ON >/dev/null
fi
# Brought up to date every time: a program left from an older tree would
# prove nothing.
targets=()
for bin in "${BINARIES[@]}"; do targets+=("$(basename "$bin")"); done
echo "vmtest: building ${targets[*]} in $BUILD_DIR"
cmake --build "$BUILD_DIR" --target "${targets[@]}" -j "$(nproc)" >/dev/null

# shellcheck source=windows-vm.sh
source "$HERE/windows-vm.sh"
WINDOWS_SKIPPED=""
if [ ${#WINDOWS_SCENARIOS[@]} -gt 0 ] && [ "${TR58K_SKIP_WINDOWS_VM:-0}" = 1 ]; then
  WINDOWS_SKIPPED="TR58K_SKIP_WINDOWS_VM=1"
  WINDOWS_SCENARIOS=()
fi
if [ ${#WINDOWS_SCENARIOS[@]} -gt 0 ]; then
  windows_prepare || exit 1
fi

# ---- the initramfs ------------------------------------------------------------

copy_libraries() {  # the shared libraries and the loader a program needs
  local lib
  for lib in $(ldd "$1" 2>/dev/null | awk '/=> \//{print $3} /^\t\/.*ld-linux/{print $1}'); do
    mkdir -p "$STAGE$(dirname "$lib")"
    [ -e "$STAGE$lib" ] || cp -L "$lib" "$STAGE$lib"
  done
}
copy_with_libraries() {
  cp "$1" "$STAGE/usr/local/bin/"
  copy_libraries "$1"
}

# stage_initramfs KIND SCENARIO...: the VM's root for "linux" or "windows"
# in $WORK/KIND/initramfs.gz. Sets MEMORY (MiB).
stage_initramfs() {
  local kind=$1
  shift
  STAGE="$WORK/$kind/initramfs"
  rm -rf "$STAGE"
  mkdir -p "$STAGE"/{bin,dev,proc,sys,tmp,run,etc,root,usr/local/bin,lib/modules,vmtest}
  # busybox-static's busybox; should another build of it be there, its
  # libraries come along.
  cp "$(command -v busybox || echo /bin/busybox)" "$STAGE/bin/busybox"
  copy_libraries "$STAGE/bin/busybox"
  local bin
  if [ "$kind" = windows ]; then
    copy_with_libraries "$BUILD_DIR/vmtest/tr58k-uhid-mouse"
  else
    for bin in "${BINARIES[@]}"; do copy_with_libraries "$BUILD_DIR/$bin"; done
  fi

  # With the window: the offscreen platform plugin where Qt looks for it, and
  # fontconfig with one font.
  MEMORY=512
  if [ "$kind" = linux ] && [ -n "$PROBE" ]; then
    local gui_lib plugin font
    gui_lib=$(ldd "$BUILD_DIR/$PROBE" | awk '/libQt6Gui/{print $3}')
    # Where Qt looks: under the real library folder (/usr/lib/..., which ldd
    # may name through the /lib link).
    plugin=$(readlink -f "$(dirname "$gui_lib")")/qt6/plugins/platforms/libqoffscreen.so
    if [ -f "$plugin" ]; then
      mkdir -p "$STAGE$(dirname "$plugin")"
      cp "$plugin" "$STAGE$plugin"
      copy_libraries "$plugin"
    fi
    [ -d /etc/fonts ] && cp -rL /etc/fonts "$STAGE/etc/"
    font=$(ls /usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf \
              /usr/share/fonts/truetype/*/*.tt[fc] 2>/dev/null | head -1 || true)
    if [ -n "$font" ]; then
      mkdir -p "$STAGE$(dirname "$font")"
      cp -L "$font" "$STAGE$font"
    fi
    MEMORY=1024
  fi
  local m
  for m in $HID_MODULES; do cp "$CACHE/modules/$m.ko" "$STAGE/lib/modules/"; done
  if [ "$kind" = windows ]; then
    for m in $NINEP_MODULES; do cp "$CACHE/modules/$m.ko" "$STAGE/lib/modules/"; done
    echo $HID_MODULES $NINEP_MODULES > "$STAGE/vmtest/modules.list"
    windows_stage_config "$STAGE/vmtest"
    cp "$HERE/win-lib.sh" "$STAGE/vmtest/"
    MEMORY=1536
  else
    echo $HID_MODULES > "$STAGE/vmtest/modules.list"
  fi
  cp "$HERE/vm-init.sh" "$STAGE/init"
  chmod 755 "$STAGE/init"
  cp "$HERE/lib.sh" "$STAGE/vmtest/"
  mkdir -p "$STAGE/vmtest/scenarios"
  # All of them: a scenario may run another's steps (win-long-* do).
  cp "$HERE"/scenarios/*.sh "$STAGE/vmtest/scenarios/"
  printf '%s\n' "$@" > "$STAGE/vmtest/scenarios.list"
  printf 'root:x:0:0::/root:/bin/sh\nuser:x:1000:1000::/tmp:/bin/sh\n' > "$STAGE/etc/passwd"
  printf 'root:x:0:\nuser:x:1000:\n' > "$STAGE/etc/group"

  (cd "$STAGE" && find . | cpio -o -H newc --quiet | gzip -1) > "$WORK/$kind/initramfs.gz"
}

# ---- the VMs ------------------------------------------------------------------

TOTAL_PASSED=0
TOTAL_FAILED=0

# run_vm KIND TIMEOUT [QEMU OPTION...] -- SCENARIO...: boots one VM for the
# scenarios and adds up their results; a VM that does not finish within
# TIMEOUT seconds is stopped and its unfinished scenarios count as failed.
run_vm() {
  local kind=$1 timeout=$2
  shift 2
  local qemu_options=()
  while [ "$1" != -- ]; do qemu_options+=("$1"); shift; done
  shift
  mkdir -p "$WORK/$kind"
  stage_initramfs "$kind" "$@"
  local console="$WORK/$kind/console.log" start=$SECONDS
  echo "vmtest: booting $(cat "$CACHE/kernel.name") under QEMU (TCG) for: $*"
  set +e
  timeout --foreground -k 10 "$timeout" \
    qemu-system-x86_64 -accel tcg -m "$MEMORY" -smp 1 "${qemu_options[@]}" \
      -nodefaults -no-user-config -display none -serial stdio -no-reboot \
      -kernel "$CACHE/vmlinux" -initrd "$WORK/$kind/initramfs.gz" \
      -append "console=ttyS0 quiet loglevel=3 panic=-1" </dev/null 2>&1 |
    tr -d '\r' | tee "$console" | grep --line-buffered -E '^(VMTEST|  )'
  local qemu_status=${PIPESTATUS[0]}
  set -e

  local passed failed missing_results
  passed=$(grep -c '^VMTEST-RESULT .* PASS$' "$console" || true)
  failed=$(grep -c '^VMTEST-RESULT .* FAIL$' "$console" || true)
  missing_results=$(( $# - passed - failed ))
  if [ "$qemu_status" = 124 ] || [ "$qemu_status" = 137 ]; then
    echo "vmtest: the $kind VM did not finish within ${timeout} s (console: $console)"
  fi
  if ! grep -q '^VMTEST-DONE' "$console"; then
    echo "vmtest: the $kind VM stopped before the end; last console lines:"
    tail -n 30 "$console"
    [ "$missing_results" -gt 0 ] || missing_results=1
  fi
  echo "vmtest: the $kind VM took $((SECONDS - start)) s"
  TOTAL_PASSED=$((TOTAL_PASSED + passed))
  TOTAL_FAILED=$((TOTAL_FAILED + failed + missing_results))
}

if [ ${#LINUX_SCENARIOS[@]} -gt 0 ]; then
  run_vm linux "$TIMEOUT" -- "${LINUX_SCENARIOS[@]}"
fi
if [ ${#WINDOWS_SCENARIOS[@]} -gt 0 ]; then
  # Wine breaks under TCG's default CPU with SMAP; 1.5 GiB for Wine.
  run_vm windows "${TR58K_WINDOWS_VM_TIMEOUT:-1500}" -cpu max,-smap "${WINDOWS_QEMU_OPTIONS[@]}" \
    -- "${WINDOWS_SCENARIOS[@]}"
  windows_after_run
fi
[ -n "$WINDOWS_SKIPPED" ] && echo "vmtest: the Windows scenarios were skipped ($WINDOWS_SKIPPED)"
echo "vmtest: $TOTAL_PASSED passed, $TOTAL_FAILED failed"
[ "$TOTAL_FAILED" = 0 ]
