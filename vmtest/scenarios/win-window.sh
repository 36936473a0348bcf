# tr58k-config.exe under Wine follows the virtual mouse through SetupAPI and
# WM_DEVICECHANGE: it shows the mouse, "-.--" when the mouse is pulled out,
# and the mouse's values again when it comes back. A watcher program reads
# the window's fields from outside, as any program could. The version reads
# V0.00 here (Wine gives a device with no USB parent version 0); the Linux
# window scenario checks V0.26.
mouse_start
check "Wine lists both interfaces" win_hid_list --wait 4C95:5837:2 15000
wine_background "$WORK/config.out" "$CONFIG_EXE"
window=$BG_PID
wine_background "$WORK/window.out" "$WIN_WINDOW_WATCH" 280
watch=$BG_PID
seen() { tr -d '\r' <"$WORK/window.out" | grep -q -- "^$1\$"; }
version_now() { tr -d '\r' <"$WORK/window.out" | grep '^version ' | tail -1 | grep -q -- "$1"; }
check "the window shows the mouse: V0.00" wait_for 60000 seen "version V0.00"
check "and its level 1 DPI 400" wait_for 5000 seen "dpi1 400"

ctl apply --dpi 550,1100,2200,4400
expect_eq "tr58kctl.exe applies beside the open window" "$STATUS" 0
: > "$WORK/mouse.log"
mouse_unplug
check "unplugged: the window shows -.--" wait_for 20000 version_now '^version -\.--$'
mouse_plug
check "plugged in: the window shows V0.00 again" wait_for 30000 version_now '^version V0\.00$'
check "and reads the settings the mouse now holds: DPI 550" wait_for 10000 seen "dpi1 550"
expect_eq "the window's read on arrival reached the mouse" "$(vendor_commands)" "07"
check "the window is still running" kill -0 "$window"
kill "$window"
check "the window ends" wait_for 10000 sh -c "! kill -0 $window 2>/dev/null"
wait_for 5000 sh -c "! kill -0 $watch 2>/dev/null" || kill "$watch"
