# Plug and unplug as the kernel reports them with no udev daemon: the
# backend's kernel-source monitor sees the hidraw nodes go and come back,
# and a node still held open makes the mouse come back under another number.
mouse_start
tr58k-hid-list --monitor > "$WORK/monitor.out" 2>&1 &
monitor=$!
check "the monitor falls back to the kernel's events" \
  wait_for 5000 grep -q "kernel source" "$WORK/monitor.out"
check "the listing comes from sysfs" grep -q "listed through sysfs" "$WORK/monitor.out"
before=$(mouse_nodes 5837 | tail -1)
mouse_unplug
check "both nodes go" wait_for 5000 has_no_nodes 5837
check "the monitor reports their removal" \
  wait_for 5000 sh -c "[ \$(grep -c '^remove .*4C95:5837' '$WORK/monitor.out') -ge 2 ]"
mouse_plug
check "the mouse comes back" wait_for_mouse
check "the monitor reports the arrival" \
  wait_for 5000 sh -c "[ \$(grep -c '^add .*4C95:5837' '$WORK/monitor.out') -ge 2 ]"
ctl info
expect_eq "info finds it again" "$STATUS" 0

# Hold the vendor node open across an unplug: the kernel keeps that number
# taken, so the mouse comes back on a new one, and is still found.
exec 3<>"/dev/$(mouse_nodes 5837 | tail -1)"
held=$(mouse_nodes 5837 | tail -1)
mouse_unplug
wait_for 5000 has_no_nodes 5837
mouse_plug
wait_for_mouse
after=$(mouse_nodes 5837 | tail -1)
check "the vendor interface came back on another node ($held, now $after)" [ "$held" != "$after" ]
ctl show
expect_eq "show finds it there" "$STATUS" 0
check "and reads it" sh -c "! grep -q note '$WORK/err'"
exec 3<&-
kill "$monitor"
