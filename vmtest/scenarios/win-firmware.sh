# tr58kctl.exe firmware --yes from normal mode under Wine: the mouse leaves,
# comes back as its bootloader 0x5836 (which Wine hears of through udevd),
# takes every block byte for byte, and comes back as 0x5837.
# A1_BYTES: the length the mouse declares for report 0xA1 (win-long-* set 1041).
A1_BYTES=${A1_BYTES:-64}
dd if=/dev/urandom of="$WORK/image.bin" bs=512 count=42 2>/dev/null  # 21,504 bytes
mouse_start --version 0026 --busy-every 7
check "Wine lists both interfaces" win_hid_list --wait 4C95:5837:2 15000
ctl firmware --yes --image "$(win_path "$WORK/image.bin")"
expect_eq "firmware exits 0" "$STATUS" 0
check "it says the update is done" all_output_has "更新完成"
check "the mouse came back as its bootloader" log_has "^arrive 5836 0026"
check "then in normal mode with the new version" log_has "^arrive 5837 0027"
check_update_from_normal_mode "$WORK/image.bin"
# Windows' HID class sends a feature report at its declared length: the
# long enter request with the short report's id reaches the mouse at 0xA1's.
expect_eq "the enter reached the mouse at 0xA1's $A1_BYTES bytes" "$(hex_len "$(nth_set 3a)")" \
  "$A1_BYTES"
check "Wine lists the mouse in normal mode again" win_hid_list --wait 4C95:5837:2 15000
ctl info
expect_eq "info finds it" "$STATUS" 0
