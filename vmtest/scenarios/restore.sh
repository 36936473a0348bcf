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
expect_eq "the factory block, all 1024 bytes" "$(hex_at "$write" 16 1024)" "$(factory_block "$profile")"
expect_eq "the select names the same profile" "$(hex_at "$(nth_set 04)" 5 1)" "$profile"

ctl show
check "show reads the factory DPI back: 400" out_has "DPI1: *400$"
check "3200" out_has "DPI4: *3200$"
check "1000 Hz" out_has "Report rate: *1000 Hz"
check "four levels" out_has "DPI levels: *4$"
check "backlight on" out_has "Wheel backlight: *on"
