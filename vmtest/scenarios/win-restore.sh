# tr58kctl.exe restore under Wine after other values were applied: the write
# carries the factory block, all 1024 bytes, and show reads it back.
mouse_start
check "Wine lists both interfaces" win_hid_list --wait 4C95:5837:2 15000
ctl apply --dpi 100,200,300,400 --rate 125 --levels 2 --backlight off
expect_eq "apply exits 0" "$STATUS" 0
: > "$WORK/mouse.log"
ctl restore
expect_eq "restore exits 0" "$STATUS" 0
check "restore says restored" out_has "Factory settings restored"
expect_eq "slot query, write, select" "$(vendor_commands)" "03 08 04"
write=$(nth_set 08)
profile=$(hex_at "$write" 5 1)
expect_eq "the factory block, all 1024 bytes" "$(hex_at "$write" 16 1024)" "$(factory_block "$profile")"
ctl show
check "show reads the factory DPI back: 400" out_has "DPI1: *400$"
check "four levels" out_has "DPI levels: *4$"
