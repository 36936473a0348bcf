#!/bin/busybox sh
# The VM's first process: mounts the kernel's file systems, loads the HID
# modules (no udev daemon runs here), runs each scenario in turn under a time
# limit and powers the VM off. The harness reads the VMTEST lines.
/bin/busybox --install -s /bin
export PATH=/usr/local/bin:/bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
mount -t tmpfs tmpfs /tmp
mount -t tmpfs tmpfs /run
for m in hid hid-generic uhid; do
  insmod /lib/modules/$m.ko || echo "VMTEST-ERROR cannot load $m"
done
[ -c /dev/uhid ] || echo "VMTEST-ERROR no /dev/uhid"
echo "VMTEST-BOOTED $(uname -r)"

SCENARIO_TIMEOUT=150
passed=0
failed=0
for name in $(cat /vmtest/scenarios.list); do
  work=/tmp/$name
  mkdir -p "$work"
  chmod 755 "$work"
  start=$(cut -d' ' -f1 /proc/uptime)
  echo "VMTEST-BEGIN $name"
  if timeout "$SCENARIO_TIMEOUT" sh -c ". /vmtest/lib.sh; WORK=$work; . /vmtest/scenarios/$name.sh; finish"; then
    result=PASS
    passed=$((passed + 1))
  else
    result=FAIL
    failed=$((failed + 1))
  fi
  # A scenario cut short by its time limit may leave its mouse behind.
  if [ -f "$work/mouse.pid" ]; then kill "$(cat "$work/mouse.pid")" 2>/dev/null; fi
  if [ "$result" = FAIL ] && [ -f "$work/mouse.log" ]; then
    echo "  --- the virtual mouse's log (last lines, long requests cut):"
    tail -n 25 "$work/mouse.log" | cut -c1-150 | sed 's/^/  | /'
  fi
  end=$(cut -d' ' -f1 /proc/uptime)
  echo "VMTEST-RESULT $name $result"
  echo "  ($name took $(awk "BEGIN{printf \"%.1f\", $end - $start}") s)"
done
echo "VMTEST-DONE $passed $failed"
sync
poweroff -f
