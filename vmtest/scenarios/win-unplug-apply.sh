# The mouse pulled out under tr58kctl.exe as the configuration write reaches
# it: Wine's HID class fails the pending call and the later ones, and the
# program says so within the protocol's waits.
mouse_start --unplug-at 08
check "Wine lists both interfaces" win_hid_list --wait 4C95:5837:2 15000
# Wine's start costs seconds under emulation: info, which sends nothing,
# gives the measure.
ctl info
start_ms=$ELAPSED_MS
ctl apply --dpi 500,1000,2000,4000
expect_eq "apply exits 4 (the mouse refused a command)" "$STATUS" 4
check "it says the write was not accepted" err_has "did not accept the configuration write"
check "it ends quickly (within 3 s of info's $start_ms ms, took $ELAPSED_MS ms)" \
  [ "$ELAPSED_MS" -lt $((start_ms + 3000)) ]
check "the mouse was pulled out at the write" log_has "^unplug at 08"
expect_eq "nothing after the write" "$(vendor_commands)" "07 03 08"
check "Wine drops the mouse's interfaces" win_hid_list --wait 4C95:5837:0 15000
ctl info
expect_eq "info then exits 3" "$STATUS" 3
