# A mouse left in its bootloader by an interrupted update: info says so, and
# tr58kctl firmware --yes goes straight to the transfer.
dd if=/dev/urandom of="$WORK/image.bin" bs=1500 count=1 2>/dev/null  # 2 blocks
mouse_start --mode bootloader --version 0026
ctl info
check "info reports the bootloader and the way out" all_output_has "tr58kctl firmware"
ctl firmware --yes --image "$WORK/image.bin"
expect_eq "firmware exits 0" "$STATUS" 0
check "it reports the new version" all_output_has "V0.27"
expect_eq "no enter, first block or boot info: begin, 2 blocks, finish" \
  "$(vendor_commands)" "03 06 07 06 07 09"
expect_eq "the last block padded with zeros" "$(hex_at "$(nth_set 06 2)" 16 1024)" \
  "$(image_block "$WORK/image.bin" 1)"
check "and it was: 476 bytes then 548 zeros" \
  [ "$(hex_at "$(nth_set 06 2)" $((16 + 476)) 548)" = "$(zeros 548)" ]
check "the mouse came back in normal mode" log_has "^arrive 5837 0027"
