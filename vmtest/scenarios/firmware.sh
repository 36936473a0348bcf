# tr58kctl firmware --yes from normal mode: the mouse enters its bootloader,
# leaves the bus and comes back as 0x5836, takes every block of the image
# byte for byte, leaves again and comes back as 0x5837 with a new version.
dd if=/dev/urandom of="$WORK/image.bin" bs=512 count=42 2>/dev/null  # 21,504 bytes
mouse_start --version 0026 --busy-every 7
ctl firmware --yes --image "$WORK/image.bin"
expect_eq "firmware exits 0" "$STATUS" 0
check "it reports the new version V0.27" all_output_has "更新完成，鼠标当前固件版本号：V0.27"
check "the mouse came back as its bootloader" log_has "^arrive 5836 0026"
check "then in normal mode with the new version" log_has "^arrive 5837 0027"

check_update_from_normal_mode "$WORK/image.bin"
expect_eq "the enter went out long, 1041 bytes, as sent" "$(hex_len "$(nth_set 3a)")" 1041

ctl info
check "info shows the new version" out_has "V0.27"
