# The mouse pulled out in the middle of the transfer (at the fifth block):
# a clear error within the retry schedule, and the update finished later
# from the bootloader the mouse is left in.
dd if=/dev/urandom of="$WORK/image.bin" bs=1024 count=8 2>/dev/null
mouse_start --unplug-at 06:5
ctl firmware --yes --image "$WORK/image.bin"
expect_eq "firmware exits 4" "$STATUS" 4
check "with the window's error text" all_output_has "固件更新出现错误，请重试！"
check "and the way to finish it" err_has "tr58kctl firmware"
check "the mouse was pulled out at the fifth block" log_has "^unplug at 06"
check "it ends within the schedule (under 20 s)" [ "$ELAPSED_MS" -lt 20000 ]
expect_eq "nothing was sent after the unplug" "$(sed -n '/^unplug at/,$p' "$WORK/mouse.log" | grep -c '^set ')" 0

: > "$WORK/mouse.log"
mouse_plug
check "plugged in again, it is still in its bootloader" wait_for_mouse 5836 1
ctl firmware --yes --image "$WORK/image.bin"
expect_eq "the second update exits 0" "$STATUS" 0
expect_eq "straight to the transfer" "$(vendor_commands | cut -c1-2)" "03"
check "the mouse came back with the new version" log_has "^arrive 5837 0027"
