# The configuration window (the real CUpdaterDlg on the Linux backend, Qt's
# offscreen platform) follows the virtual mouse: its version field shows
# "-.--" when the mouse is pulled out and the version again when it comes
# back, when the window reads the mouse's settings anew.
if ! command -v tr58k-window-probe >/dev/null; then
  echo "  ok - skipped: this build has no window (TR58K_BUILD_GUI=OFF)"
  return 0 2>/dev/null || exit 0
fi
mouse_start
mkdir -p -m 700 "$WORK/run"
XDG_CONFIG_HOME="$WORK/config" XDG_RUNTIME_DIR="$WORK/run" tr58k-window-probe \
  >"$WORK/window.out" 2>"$WORK/window.err" &
window=$!
seen() { grep -q -- "^$1\$" "$WORK/window.out"; }
last_version() { grep '^version ' "$WORK/window.out" | tail -1; }
check "the window shows the mouse's version V0.26" wait_for 20000 seen "version V0.26"
check "and its level 1 DPI 400" wait_for 5000 seen "dpi1 400"

ctl apply --dpi 550,1100,2200,4400
expect_eq "tr58kctl applies beside the open window" "$STATUS" 0
: > "$WORK/mouse.log"
mouse_unplug
check "unplugged: the window shows -.--" \
  wait_for 10000 sh -c "grep '^version ' '$WORK/window.out' | tail -1 | grep -q -- '-\.--'"
mouse_plug
check "plugged in: the window shows V0.26 again" \
  wait_for 20000 sh -c "grep '^version ' '$WORK/window.out' | tail -1 | grep -q V0.26"
check "and reads the settings the mouse now holds: DPI 550" wait_for 5000 seen "dpi1 550"
expect_eq "the window's read on arrival reached the mouse" "$(vendor_commands)" "07"
check "the window is still running" kill -0 "$window"
kill "$window"
