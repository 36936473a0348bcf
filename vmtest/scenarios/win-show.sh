# tr58kctl.exe show under Wine: one configuration read through SetupAPI,
# Wine's HID class and the kernel, every request answered busy first, so the
# link's busy poll runs against the real stack; the decoy never touched.
# A1_BYTES: the length the mouse declares for report 0xA1 (win-long-* set 1041).
A1_BYTES=${A1_BYTES:-64}
mouse_start --busy-every 1
check "Wine lists both interfaces" win_hid_list --wait 4C95:5837:2 15000
ctl show
expect_eq "show exits 0" "$STATUS" 0
check "the mouse's settings: DPI1 400" out_has "DPI1: *400$"
check "DPI4 3200" out_has "DPI4: *3200$"
check "report rate 1000 Hz" out_has "Report rate: *1000 Hz"
check "no note about stored settings" sh -c "! grep -q note '$WORK/err'"
expect_eq "the only request is the configuration read" "$(vendor_commands)" "07"
expect_eq "the read request: A1 07, then zeros, $A1_BYTES bytes" "$(nth_set 07)" \
  "a107$(zeros $((A1_BYTES - 2)))"
expect_eq "a busy answer, then the answer" "$(grep '^get ' "$WORK/mouse.log" | tr '\n' ,)" \
  "get vendor a1 04,get vendor a1 01,"
expect_eq "the decoy saw nothing" "$(log_count ' other ')" 0
