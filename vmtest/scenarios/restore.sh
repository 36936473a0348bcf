# tr58kctl restore after other values were applied: the write carries the
# factory block, every one of its 1024 bytes as the mouse expects them.
mouse_start
ctl apply --dpi 100,200,300,400 --rate 125 --levels 2 --backlight off
expect_eq "apply exits 0" "$STATUS" 0
: > "$WORK/mouse.log"
ctl restore
expect_eq "restore exits 0" "$STATUS" 0
check "restore says restored" out_has "Factory settings restored"
expect_eq "slot query, write, select" "$(vendor_commands)" "03 08 04"
write=$(nth_set 08)
profile=$(hex_at "$write" 5 1)
expect_eq "the write's header" "$(hex_at "$write" 0 16)" "a008000000${profile}01$(zeros 9)"
factory=$(block_hex "$((0x00)):$profile" "$((0x01)):70726f66696c65" "$((0x11)):0004" \
  "$((0x15)):01" "$((0x16)):01" "$((0x1A)):01" "$((0x25)):ff000001" "$((0x29)):00ff0001" \
  "$((0x2D)):0000ff01" "$((0x32)):02" "$((0x34)):90019001" "$((0x3D)):20032003" \
  "$((0x52)):40064006" "$((0x56)):04" "$((0x5C)):800c800c" "$FIXED_TABLE" "$((0xC4)):ffffff01")
expect_eq "the factory block, all 1024 bytes" "$(hex_at "$write" 16 1024)" "$factory"
expect_eq "the select names the same profile" "$(hex_at "$(nth_set 04)" 5 1)" "$profile"

ctl show
check "show reads the factory DPI back: 400" out_has "DPI1: *400$"
check "3200" out_has "DPI4: *3200$"
check "1000 Hz" out_has "Report rate: *1000 Hz"
check "four levels" out_has "DPI levels: *4$"
check "backlight on" out_has "Wheel backlight: *on"
