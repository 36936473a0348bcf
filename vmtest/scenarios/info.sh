# tr58kctl info: the mouse found among the hidraw nodes with no udev daemon
# running (sysfs listing), past the decoy, its version as the kernel shows
# it; nothing is sent to it. Without the mouse: "not found", status 3.
mouse_start --version 0026
ctl info
expect_eq "info exits 0" "$STATUS" 0
check "info says present" out_has "present"
check "info shows the version V0.26" out_has "V0.26"
ctl --json info
check "--json gives the version number 0x0026 (38)" out_has '"versionNumber":38'
expect_eq "nothing was set on any interface" "$(log_count '^set ')" 0
expect_eq "nothing was read from any interface" "$(log_count '^get ')" 0
mouse_stop

mouse_start --version 0103
ctl info
check "another mouse's version V1.03" out_has "V1.03"
mouse_stop

ctl info
expect_eq "without the mouse info exits 3" "$STATUS" 3
check "and says not found" out_has "not found"
check "and shows no version" out_has -- "-.--"
