# Helpers for the Windows scenarios (busybox sh), sourced after lib.sh in the
# Windows VM: the programs run under Wine in a chroot into the host's root
# (/host), where $WORK has the same path. windows.conf names the prefix and
# the .exe files by their paths in the chroot (the VM's shares, under /tmp).
. /vmtest/windows.conf
H=/host

# run_wine PROGRAM.EXE ARGS...: runs a Windows program in $WORK, in the chroot,
# on the virtual display, with the trace channels in $WINE_TRACE (none). The
# programs show their texts as written (TR58K_LANGUAGE=C), which the
# scenarios check; Wine's own language here would be English.
run_wine() {
  chroot $H /usr/bin/env -i PATH=/usr/bin:/bin HOME="$WORK" WINEPREFIX="$WINE_PREFIX_DIR" \
    DISPLAY=:99 WINEDEBUG="${WINE_TRACE:--all}" WINEDLLOVERRIDES="mscoree,mshtml=" TR58K_LANGUAGE=C \
    WINEARCH=win64 /bin/sh -c 'cd "$0" && exec /usr/lib/wine/wine64 "$@"' "$WORK" "$@"
}

# wine_run OUT ERR PROGRAM.EXE ARGS...: runs a Windows program with a
# persistent server (later starts take a second or two, not twenty); its
# CR LF lines become LF lines. Sets STATUS and ELAPSED_MS.
wine_run() {
  local out=$1 err=$2 t0
  shift 2
  t0=$(now_ms)
  run_wine "$@" >"$out.raw" 2>"$err.raw"
  STATUS=$?
  ELAPSED_MS=$(($(now_ms) - t0))
  tr -d '\r' <"$out.raw" >"$out"
  tr -d '\r' <"$err.raw" >"$err"
  rm -f "$out.raw" "$err.raw"
}

# wine_background OUT PROGRAM.EXE ARGS...: starts a Windows program and goes
# on; its output, CR LF lines as written, goes to OUT and OUT.err. Sets
# BG_PID, the program's own process.
wine_background() {
  local out=$1
  shift
  run_wine "$@" >"$out" 2>"$out.err" &
  BG_PID=$!
}

wine_start_server() {
  chroot $H /usr/bin/env -i PATH=/usr/bin:/bin WINEPREFIX="$WINE_PREFIX_DIR" wineserver -p
}

# The first program started under the server brings up Wine's services; they
# inherit its WINEDEBUG and standard error, so the HID bus (winebus), the HID
# class and plug-and-play trace into /tmp/logs/wine-trace.log from then on.
# Lists the HID interfaces into $WORK/hid.out meanwhile.
wine_start_services() {
  local t0 WINE_TRACE=+timestamp,+pid,+hid,+plugplay
  t0=$(now_ms)
  run_wine "$WIN_HID_LIST" >"$WORK/hid.out.raw" 2>>/tmp/logs/wine-trace.log
  STATUS=$?
  ELAPSED_MS=$(($(now_ms) - t0))
  tr -d '\r' <"$WORK/hid.out.raw" >"$WORK/hid.out"
}

# A line in Wine's trace, to find a step among the bus's events.
trace_mark() { echo "=== $(cut -d' ' -f1 /proc/uptime) $*" >>/tmp/logs/wine-trace.log; }

# tr58kctl.exe with lib.sh's conventions: STATUS, ELAPSED_MS, $WORK/out and
# $WORK/err. A Windows path for a file in $WORK: win_path FILE.
# What Wine listed right after each run of the program goes to
# $WORK/hid.after, which the VM's init shows when the scenario fails.
ctl() {
  trace_mark "tr58kctl.exe $*"
  wine_run "$WORK/out" "$WORK/err" "$CTL_EXE" "$@"
  local status=$STATUS elapsed=$ELAPSED_MS
  wine_run "$WORK/hid.now" "$WORK/hid.err" "$WIN_HID_LIST"
  { echo "after tr58kctl.exe $* (status $status):"; cat "$WORK/hid.now"; } >>"$WORK/hid.after"
  STATUS=$status
  ELAPSED_MS=$elapsed
}
win_path() { echo "Z:$1"; }

# The HID interfaces Wine lists (see win_hid_list.cpp) into $WORK/hid.out;
# with "--wait 4C95:5837:2 MS", until that many interfaces are there.
win_hid_list() { wine_run "$WORK/hid.out" "$WORK/hid.err" "$WIN_HID_LIST" "$@"; }
# How many interfaces of the mouse with PRODUCT the last listing showed.
hid_count() { grep -c "^4C95:$1 " "$WORK/hid.out"; }

# Wine's HID bus takes one change at a time: when an interface goes while
# it is still taking the last one away, its device list loses devices that
# come later (a second unlink of an already unlinked entry). The virtual
# mouse waits, after each interface it removes, until Wine has let go of it.
MOUSE_OPTIONS=--wait-for-release

# Wine drops a removed mouse seconds after the kernel did, and one plugged in
# again before that may never be listed: the next mouse waits until Wine
# has dropped this one.
after_mouse_stop() {
  win_hid_list --wait 4C95:5837:0 15000 && win_hid_list --wait 4C95:5836:0 15000
}

# Every scenario starts from no profile file: the prefix is shared.
profile_dir() { ls -d $H$WINE_PREFIX_DIR/drive_c/users/*/AppData/Roaming/ZEMO 2>/dev/null; }
rm -rf $(profile_dir)
