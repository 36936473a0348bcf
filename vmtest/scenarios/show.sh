# tr58kctl show: one configuration read (0x07) through the kernel, its
# 1041-byte answer taken in, the decoy never touched. Every request is
# answered busy first, so the link's busy poll runs against the kernel too.
mouse_start --busy-every 1
ctl show
expect_eq "show exits 0" "$STATUS" 0
check "the mouse's settings: DPI1 400" out_has "DPI1: *400$"
check "DPI4 3200" out_has "DPI4: *3200$"
check "report rate 1000 Hz" out_has "Report rate: *1000 Hz"
check "no note about stored settings" sh -c "! grep -q note '$WORK/err'"
expect_eq "the only request is the configuration read" "$(vendor_commands)" "07"
expect_eq "the read request: A1 07, then zeros, 64 bytes" "$(nth_set 07)" "a107$(zeros 62)"
expect_eq "a busy answer, then the answer" "$(grep '^get ' "$WORK/mouse.log" | tr '\n' ,)" \
  "get vendor a1 04,get vendor a1 01,"
expect_eq "the decoy saw nothing" "$(log_count ' other ')" 0

# The answer is read whole: a block with other values shows them.
ctl apply --dpi 650,1300,2600,5200
ctl show
check "after a write, show reads DPI1 650 back" out_has "DPI1: *650$"
check "and DPI3 2600" out_has "DPI3: *2600$"
