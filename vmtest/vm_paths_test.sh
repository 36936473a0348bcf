#!/usr/bin/env bash
# What the Windows VM is told about the harness's files, checked without
# booting it, for a checkout whose path has spaces, Chinese, a comma and a
# quote: QEMU gets each shared host folder intact, the VM mounts each share
# under its own /tmp after binding that over the chroot's (so the mount is
# not hidden), and every program and the prefix that windows.conf names lie
# in those shares, never at the checkout's path.
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(dirname "$HERE")
base=$(mktemp -d)
trap 'rm -rf "$base"' EXIT
BUILD_DIR="$base/项目, tr58k's build"
WINDOWS_BUILD="$base/项目, tr58k's build-windows"
WORK="$BUILD_DIR/vmtest/vm"
# shellcheck source=windows-vm.sh
source "$HERE/windows-vm.sh"

failures=0
check() {  # DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}

# A Windows build with the programs where CMake puts them (and the
# installer's stripped copies beside, which must not be taken).
mkdir -p "$WINDOWS_BUILD/src/cli" "$WINDOWS_BUILD/src/app/win32" "$BUILD_DIR/vmtest" \
  "$WINDOWS_BUILD/packaging/windows/programs" "$HOST_WINE_PREFIX" "$WINDOWS_LOG_DIR"
for exe in src/cli/tr58kctl.exe src/app/tr58k-config.exe src/app/win32/win32_startup_bench.exe \
    packaging/windows/programs/tr58kctl.exe; do
  echo "$exe" >"$WINDOWS_BUILD/$exe"
done
echo hid-list >"$WIN_HID_LIST"
echo window-watch >"$WIN_WINDOW_WATCH"
CTL_EXE=$(windows_find_program tr58kctl.exe)
CONFIG_EXE=$(windows_find_program tr58k-config.exe)
STARTUP_BENCH_EXE=$(windows_find_program win32_startup_bench.exe)
check "the programs are the build's own" \
  test "$CTL_EXE" = "$WINDOWS_BUILD/src/cli/tr58kctl.exe" -a "$CONFIG_EXE" = "$WINDOWS_BUILD/src/app/tr58k-config.exe"
windows_share_programs
windows_shares
mkdir -p "$base/stage"
windows_stage_config "$base/stage"

# QEMU's reading of each -virtfs option: fields split at single commas, a
# doubled one is a comma of the value.
declare -A host_folder
for ((i = 0; i < ${#WINDOWS_QEMU_OPTIONS[@]}; i += 2)); do
  fields=${WINDOWS_QEMU_OPTIONS[i + 1]//,,/$'\x01'}
  tag="" path=""
  IFS=, read -ra parts <<<"$fields"
  for field in "${parts[@]}"; do
    field=${field//$'\x01'/,}
    case "$field" in path=*) path=${field#path=} ;; mount_tag=*) tag=${field#mount_tag=} ;; esac
  done
  host_folder[$tag]=$path
  check "share $tag: QEMU gets an existing host folder ($path)" test -d "$path"
done

# What the VM's init and scenarios read, in a plain POSIX shell.
conf=$(sh -c '. "$1"; for v in SHARE_programs SHARE_wineprefix WINE_PREFIX_DIR CTL_EXE CONFIG_EXE \
  WIN_HID_LIST WIN_WINDOW_WATCH STARTUP_BENCH_EXE; do eval "echo \"$v=\$$v\""; done' sh "$base/stage/windows.conf")
value() { sed -n "s/^$1=//p" <<<"$conf"; }
for tag in programs wineprefix; do
  point=$(value "SHARE_$tag")
  check "share $tag is mounted under the VM's own /tmp ($point)" test "${point#/tmp/}" != "$point"
  check "share $tag is one QEMU is given" test -n "${host_folder[$tag]:-}"
done
check "the prefix is the wineprefix share" test "$(value WINE_PREFIX_DIR)" = "$(value SHARE_wineprefix)"
check "that share is the host's prefix" test "${host_folder[wineprefix]}" = "$HOST_WINE_PREFIX"
check "windows.conf never names the checkout" sh -c '! grep -qF "$1" "$2"' sh "$base" "$base/stage/windows.conf"
for exe in CTL_EXE CONFIG_EXE WIN_HID_LIST WIN_WINDOW_WATCH STARTUP_BENCH_EXE; do
  in_vm=$(value "$exe")
  relative=${in_vm#"$(value SHARE_programs)"/}
  check "$exe lies in the programs' share ($in_vm)" test "$relative" != "$in_vm"
  check "$exe there is the build's program" cmp -s "${host_folder[programs]}/$relative" "${!exe}"
done

# The VM binds its /tmp over the chroot's first; a share mounted there
# before would be hidden.
bind_line=$(grep -n 'mount --bind /tmp \$H/tmp' "$HERE/vm-init.sh" | cut -d: -f1)
for tag in programs wineprefix; do
  mount_line=$(grep -n "mount -t 9p .* $tag \"\\\$H\\\$SHARE_$tag\"" "$HERE/vm-init.sh" | cut -d: -f1)
  check "vm-init.sh mounts $tag at its SHARE_ path after binding /tmp" \
    test -n "$bind_line" -a -n "$mount_line" -a "${mount_line:-0}" -gt "${bind_line:-0}"
done

((failures == 0)) || { echo "$failures check(s) failed"; exit 1; }
echo "the Windows VM's shared paths: every check passed"
