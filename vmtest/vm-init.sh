#!/bin/busybox sh
# The VM's first process: mounts the kernel's file systems, loads the HID
# modules (no udev daemon runs here), runs each scenario in turn under a time
# limit and powers the VM off. The harness reads the VMTEST lines.
# In the Windows VM (/vmtest/windows.conf) it also mounts the host's root,
# the programs and the Wine prefix over 9p, prepares a chroot into the
# host's root and starts udevd there, so that Wine hears of devices that
# appear later.
/bin/busybox --install -s /bin
export PATH=/usr/local/bin:/bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
mount -t tmpfs tmpfs /tmp
mount -t tmpfs tmpfs /run
for m in $(cat /vmtest/modules.list); do
  insmod /lib/modules/$m.ko || echo "VMTEST-ERROR cannot load $m"
done
[ -c /dev/uhid ] || echo "VMTEST-ERROR no /dev/uhid"

SCENARIO_TIMEOUT=150
LIBS=/vmtest/lib.sh
if [ -f /vmtest/windows.conf ]; then
  . /vmtest/windows.conf
  H=/host
  mkdir -p $H /dev/shm
  ninep="trans=virtio,version=9p2000.L,msize=262144,cache=loose"
  mount -t 9p -o "$ninep,ro" hostroot $H || echo "VMTEST-ERROR cannot mount the host's root"
  # The scenarios' folders under /tmp are the same inside the chroot.
  mount --bind /tmp $H/tmp
  # The programs and the prefix where windows.conf names them in the chroot:
  # under the VM's own /tmp, whatever the checkout's path on the host.
  mkdir -p "$H$SHARE_programs" "$H$SHARE_wineprefix"
  mount -t 9p -o "$ninep,ro" programs "$H$SHARE_programs" ||
    echo "VMTEST-ERROR cannot mount the programs"
  mount -t 9p -o "$ninep" wineprefix "$H$SHARE_wineprefix" ||
    echo "VMTEST-ERROR cannot mount the Wine prefix"
  LOGS=/tmp/logs
  mkdir -p $LOGS
  mount -t 9p -o "trans=virtio,version=9p2000.L" vmlogs $LOGS ||
    echo "VMTEST-ERROR cannot mount the log folder"
  for d in proc sys dev; do mount --bind /$d $H/$d; done
  mount -t tmpfs tmpfs $H/dev/shm
  mount -t tmpfs tmpfs $H/run
  # systemd's tools refuse to act in a chroot unless told to.
  export SYSTEMD_IGNORE_CHROOT=1
  chroot $H /lib/systemd/systemd-udevd --daemon || echo "VMTEST-ERROR udevd did not start"
  chroot $H udevadm trigger
  chroot $H udevadm settle --timeout=30
  # A virtual display for the window, there before Wine's first start: Wine's
  # desktop lives on the display of the program that started it. Xvfb keeps
  # its compiled keymaps in /var/lib/xkb, read-only here.
  mount -t tmpfs tmpfs $H/var/lib/xkb
  chroot $H Xvfb :99 -nolisten tcp -screen 0 1024x768x24 >$LOGS/xvfb.log 2>&1 &
  wait_for_display=0
  while [ ! -S /tmp/.X11-unix/X99 ] && [ $wait_for_display -lt 200 ]; do
    usleep 100000
    wait_for_display=$((wait_for_display + 1))
  done
  [ -S /tmp/.X11-unix/X99 ] || echo "VMTEST-ERROR no virtual display"
  # What udevd passed on to its listeners (Wine among them), for a failed
  # scenario's report.
  chroot $H stdbuf -oL udevadm monitor --udev --kernel --subsystem-match=hidraw \
    >$LOGS/udev-events.log 2>&1 &
  # Wine's first start here takes about 20 s: not inside a scenario's clock.
  # Its services (the HID bus among them) live on in the persistent server
  # and trace into $LOGS/wine-trace.log.
  mkdir -p /tmp/wine-start
  sh -c ". /vmtest/lib.sh; . /vmtest/win-lib.sh; WORK=/tmp/wine-start; wine_start_server
         wine_start_services; echo \"VMTEST-WINE started in \$ELAPSED_MS ms, status \$STATUS\"
         sed 's/^/  | /' \$WORK/hid.out"
  SCENARIO_TIMEOUT=300
  LIBS="/vmtest/lib.sh; . /vmtest/win-lib.sh"
fi
echo "VMTEST-BOOTED $(uname -r)"

passed=0
failed=0
for name in $(cat /vmtest/scenarios.list); do
  work=/tmp/$name
  mkdir -p "$work"
  chmod 755 "$work"
  start=$(cut -d' ' -f1 /proc/uptime)
  udev_mark=$(wc -l <$LOGS/udev-events.log 2>/dev/null || echo 0)
  trace_mark=$(wc -l <$LOGS/wine-trace.log 2>/dev/null || echo 0)
  echo "VMTEST-BEGIN $name"
  limit=$SCENARIO_TIMEOUT
  case "$name" in *-bench) limit=1200 ;; esac
  if timeout "$limit" sh -c ". $LIBS; WORK=$work; . /vmtest/scenarios/$name.sh; finish"; then
    result=PASS
    passed=$((passed + 1))
  else
    result=FAIL
    failed=$((failed + 1))
  fi
  # A scenario cut short by its time limit may leave its mouse, or a window
  # and its watcher, behind.
  if [ -f "$work/mouse.pid" ]; then kill "$(cat "$work/mouse.pid")" 2>/dev/null; fi
  pkill -f 'tr58k-config.exe|tr58k-win-window-watch.exe' 2>/dev/null
  if [ "$result" = FAIL ] && [ -f "$work/mouse.log" ]; then
    echo "  --- the virtual mouse's log (last lines, long requests cut):"
    tail -n 25 "$work/mouse.log" | cut -c1-150 | sed 's/^/  | /'
  fi
  if [ "$result" = FAIL ] && [ -f "$work/hid.after" ]; then
    echo "  --- what Wine listed after each run of the program:"
    grep -v '^845E:' "$work/hid.after" | cut -c1-150 | sed 's/^/  | /'
  fi
  if [ "$result" = FAIL ] && [ -f $LOGS/udev-events.log ]; then
    echo "  --- udev events during the scenario (uptime in brackets):"
    tail -n +$((udev_mark + 1)) $LOGS/udev-events.log | grep -E '^(KERNEL|UDEV)' |
      tail -n 40 | cut -c1-150 | sed 's/^/  | /'
  fi
  if [ "$result" = FAIL ] && [ -f $LOGS/wine-trace.log ]; then
    echo "  --- Wine's HID bus and plug-and-play during the scenario:"
    tail -n +$((trace_mark + 1)) $LOGS/wine-trace.log | grep -v -E "^$" |
      tail -n 120 | cut -c1-180 | sed 's/^/  | /'
  fi
  if [ "$result" = FAIL ] && [ -f "$work/window.out" ]; then
    echo "  --- what the window showed:"
    tr -d '\r' <"$work/window.out" | tail -n 30 | sed 's/^/  | /'
  fi
  if [ "$result" = FAIL ] && [ -f "$work/out" ]; then
    echo "  --- the last program's output:"
    tail -n 15 "$work/out" "$work/err" | cut -c1-150 | sed 's/^/  | /'
  fi
  end=$(cut -d' ' -f1 /proc/uptime)
  echo "VMTEST-RESULT $name $result"
  echo "  ($name took $(awk "BEGIN{printf \"%.1f\", $end - $start}") s)"
done
if [ -f /vmtest/windows.conf ]; then
  # The server writes the prefix's registry out as it ends.
  chroot $H /usr/bin/env WINEPREFIX="$WINE_PREFIX_DIR" wineserver -k 2>/dev/null
fi
echo "VMTEST-DONE $passed $failed"
sync
poweroff -f
