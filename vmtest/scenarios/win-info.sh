# tr58kctl.exe info under Wine: winebus found the virtual mouse's hidraw
# nodes, SetupAPI lists both interfaces, the program finds the vendor one past
# the decoy and sends nothing. The version reads V0.00 here (Wine reports 0
# for a device with no USB parent); the Linux scenarios check it.
mouse_start --version 0026
check "Wine lists both interfaces of the mouse" win_hid_list --wait 4C95:5837:2 15000
check "the vendor interface: page FF01 usage 0002" grep -q '^4C95:5837 .* page FF01 usage 0002' "$WORK/hid.out"
ctl info
expect_eq "info exits 0" "$STATUS" 0
check "info says present" out_has "present"
ctl --json info
check "--json says present" out_has '"present":true'
expect_eq "nothing was set on any interface" "$(log_count '^set ')" 0
expect_eq "nothing was read from any interface" "$(log_count '^get ')" 0
mouse_stop

check "Wine no longer lists the mouse" win_hid_list --wait 4C95:5837:0 15000
ctl info
expect_eq "without the mouse info exits 3" "$STATUS" 3
check "and says not found" out_has "not found"
