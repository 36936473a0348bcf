# The mouse pulled out in the middle of an apply, as the configuration write
# reaches it: the kernel fails the pending call and every later one on the
# node; tr58kctl says what happened and ends within the protocol's waits.
mouse_start --unplug-at 08
ctl apply --dpi 500,1000,2000,4000
expect_eq "apply exits 4 (the mouse refused a command)" "$STATUS" 4
check "it says the write was not accepted" err_has "did not accept the configuration write"
check "it ends quickly (under 3 s)" [ "$ELAPSED_MS" -lt 3000 ]
check "the mouse was pulled out at the write" log_has "^unplug at 08"
expect_eq "nothing after the write" "$(vendor_commands)" "07 03 08"
check "the mouse's interfaces are gone" wait_for 5000 has_no_nodes 5837
ctl info
expect_eq "info then exits 3" "$STATUS" 3
mouse_stop

# Pulled out as show reads the configuration: the stored settings are shown.
mouse_start --unplug-at 07
ctl show
expect_eq "show exits 0" "$STATUS" 0
check "it notes that the mouse did not send its settings" err_has "did not send its settings"
check "it ends quickly" [ "$ELAPSED_MS" -lt 3000 ]
mouse_stop

# Pulled out and plugged in again 300 ms later, while the select's 1500 ms
# wait runs: the new node is another one; the apply is still done.
mouse_start --unplug-at 04 --replug-after 300
ctl apply --dpi 700,1400,2800,5600
check "apply ends within its waits" [ "$ELAPSED_MS" -lt 4000 ]
check "the mouse came back" wait_for_mouse
ctl show
check "the write had reached the mouse before: DPI1 700" out_has "DPI1: *700$"
