#!/usr/bin/env bash
# Runs the program against a real Linux kernel: boots Debian's kernel in QEMU
# (software emulation, no KVM needed), creates a virtual TR-58K there through
# /dev/uhid and runs the scenarios in vmtest/scenarios against the unmodified
# tr58kctl. Exit status 0 only when every scenario passed.
#
# Usage: vmtest/run-vm-tests.sh [BUILD_DIR [SCENARIO...]]
#   BUILD_DIR   the CMake build folder (default: build); the binaries are
#               built there when missing
#   SCENARIO    names of vmtest/scenarios/*.sh to run (default: all)
# Environment:
#   TR58K_VM_CACHE     where the kernel is kept (default ~/.cache/tr58k-vmtest)
#   TR58K_VM_TIMEOUT   seconds before a hung VM fails the run (default 420)
#   TR58K_SKIP_VM_TESTS=1   skip (says so and exits 0)
set -euo pipefail

HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(dirname "$HERE")
BUILD_DIR=${1:-build}
[ $# -gt 0 ] && shift
case "$BUILD_DIR" in /*) ;; *) BUILD_DIR="$ROOT/$BUILD_DIR" ;; esac

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
     [ -f "$CACHE/vmlinux" ] && [ -f "$CACHE/modules/uhid.ko" ]; then
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
  modules=$(ls -d "$tmp"/root/lib/modules/*/kernel/drivers/hid)
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
  cp "$modules/hid.ko" "$modules/hid-generic.ko" "$modules/uhid.ko" "$CACHE/modules/"
  mv "$tmp/vmlinux" "$CACHE/vmlinux"
  echo "$pkg" > "$CACHE/kernel.name"
  rm -rf "$tmp"
}

fetch_kernel

# ---- the binaries ---------------------------------------------------------------

if [ $# -gt 0 ]; then
  SCENARIOS=("$@")
else
  SCENARIOS=()
  for f in "$HERE"/scenarios/*.sh; do SCENARIOS+=("$(basename "$f" .sh)"); done
fi
for s in "${SCENARIOS[@]}"; do
  [ -f "$HERE/scenarios/$s.sh" ] || { echo "vmtest: no scenario $s" >&2; exit 2; }
done

BINARIES=(src/cli/tr58kctl vmtest/tr58k-uhid-mouse src/device/linux/tr58k-hid-list)
# The window goes into the VM when the build has it (TR58K_BUILD_GUI) and
# the window scenario runs; it brings Qt along, which the others do without.
PROBE=""
if [[ " ${SCENARIOS[*]} " == *" window "* ]] &&
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
  cmake --build "$BUILD_DIR" --target "${missing[@]}" -j "$(nproc)"
fi

# ---- the initramfs ------------------------------------------------------------

STAGE="$WORK/initramfs"
rm -rf "$STAGE"
mkdir -p "$STAGE"/{bin,dev,proc,sys,tmp,run,etc,root,usr/local/bin,lib/modules,vmtest}

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

# busybox-static's busybox; should another build of it be there, its
# libraries come along.
cp "$(command -v busybox || echo /bin/busybox)" "$STAGE/bin/busybox"
copy_libraries "$STAGE/bin/busybox"
for bin in "${BINARIES[@]}"; do copy_with_libraries "$BUILD_DIR/$bin"; done

# With the window: the offscreen platform plugin where Qt looks for it, and
# fontconfig with one font.
MEMORY=512
if [ -n "$PROBE" ]; then
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
cp "$CACHE"/modules/*.ko "$STAGE/lib/modules/"
cp "$HERE/vm-init.sh" "$STAGE/init"
chmod 755 "$STAGE/init"
cp "$HERE/lib.sh" "$STAGE/vmtest/"
mkdir -p "$STAGE/vmtest/scenarios"
for s in "${SCENARIOS[@]}"; do cp "$HERE/scenarios/$s.sh" "$STAGE/vmtest/scenarios/"; done
printf '%s\n' "${SCENARIOS[@]}" > "$STAGE/vmtest/scenarios.list"
printf 'root:x:0:0::/root:/bin/sh\nuser:x:1000:1000::/tmp:/bin/sh\n' > "$STAGE/etc/passwd"
printf 'root:x:0:\nuser:x:1000:\n' > "$STAGE/etc/group"

(cd "$STAGE" && find . | cpio -o -H newc --quiet | gzip -1) > "$WORK/initramfs.gz"

# ---- the VM -------------------------------------------------------------------

CONSOLE="$WORK/console.log"
echo "vmtest: booting $(cat "$CACHE/kernel.name") under QEMU (TCG) for: ${SCENARIOS[*]}"
set +e
timeout --foreground -k 10 "$TIMEOUT" \
  qemu-system-x86_64 -accel tcg -m "$MEMORY" -smp 1 \
    -nodefaults -no-user-config -display none -serial stdio -no-reboot \
    -kernel "$CACHE/vmlinux" -initrd "$WORK/initramfs.gz" \
    -append "console=ttyS0 quiet loglevel=3 panic=-1" </dev/null 2>&1 |
  tr -d '\r' | tee "$CONSOLE" | grep --line-buffered -E '^(VMTEST|  )'
qemu_status=${PIPESTATUS[0]}
set -e

passed=$(grep -c '^VMTEST-RESULT .* PASS$' "$CONSOLE" || true)
failed=$(grep -c '^VMTEST-RESULT .* FAIL$' "$CONSOLE" || true)
missing_results=$(( ${#SCENARIOS[@]} - passed - failed ))
if [ "$qemu_status" = 124 ] || [ "$qemu_status" = 137 ]; then
  echo "vmtest: the VM did not finish within ${TIMEOUT} s (console: $CONSOLE)"
fi
if ! grep -q '^VMTEST-DONE' "$CONSOLE"; then
  echo "vmtest: the VM stopped before the end; last console lines:"
  tail -n 30 "$CONSOLE"
fi
failed=$((failed + missing_results))
echo "vmtest: $passed passed, $failed failed"
[ "$failed" = 0 ] && grep -q '^VMTEST-DONE' "$CONSOLE"
