# tr58kctl.exe apply under Wine, then show: the slot query, the 1041-byte
# configuration write and the profile select reach the mouse byte for byte
# through Wine's HID class, busy answers polled through; show reads the new
# values back.
# A1_BYTES: the length the mouse declares for report 0xA1 (win-long-* set 1041).
A1_BYTES=${A1_BYTES:-64}
mouse_start --busy-every 3 --busy-count 2
check "Wine lists both interfaces" win_hid_list --wait 4C95:5837:2 15000
ctl apply --dpi 500,1000,2000,4000 --rate 500 --levels 3 --backlight off
expect_eq "apply exits 0" "$STATUS" 0
check "apply says applied" out_has "Applied to the mouse"
expect_eq "read, slot query, write, select" "$(vendor_commands)" "07 03 08 04"
expect_eq "the slot query: A1 03, zeros, $A1_BYTES bytes" "$(nth_set 03)" \
  "a103$(zeros $((A1_BYTES - 2)))"
write=$(nth_set 08)
profile=$(hex_at "$write" 5 1)
expect_eq "the write is 1041 bytes" "$(hex_len "$write")" 1041
expect_eq "the write's header: A0 08 0 0 0 profile 01, zeros" "$(hex_at "$write" 0 16)" \
  "a008000000${profile}01$(zeros 9)"
block=$(hex_at "$write" 16 1024)
expect_eq "DPI 500, 1000, 2000, 4000 at their offsets" \
  "$(hex_at "$block" $((0x34)) 4) $(hex_at "$block" $((0x3D)) 4) $(hex_at "$block" $((0x52)) 4) $(hex_at "$block" $((0x5C)) 4)" \
  "f401f401 e803e803 d007d007 a00fa00f"
expect_eq "three levels, 500 Hz, backlight off" \
  "$(hex_at "$block" $((0x56)) 1) $(hex_at "$block" $((0x15)) 1) $(hex_at "$block" $((0x1A)) 1)" "03 02 00"
expect_eq "the select: A1 04 0 0 0 profile, zeros, $A1_BYTES bytes" "$(nth_set 04)" \
  "a104000000${profile}$(zeros $((A1_BYTES - 6)))"
check "busy answers were polled through" log_has "get vendor a1 04"

: > "$WORK/mouse.log"
ctl show
expect_eq "show exits 0" "$STATUS" 0
check "show reads DPI1 500 back from the mouse" out_has "DPI1: *500$"
check "DPI4 4000" out_has "DPI4: *4000"
check "three levels" out_has "DPI levels: *3$"
check "500 Hz" out_has "Report rate: *500 Hz"
check "backlight off" out_has "Wheel backlight: *off"
expect_eq "show only reads" "$(vendor_commands)" "07"
ctl profile
check "the profile file in the prefix holds the applied values" out_has "4000"
