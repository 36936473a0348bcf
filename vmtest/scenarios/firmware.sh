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

blocks=""
i=0
while [ $i -lt 21 ]; do blocks="$blocks 06 07"; i=$((i + 1)); done
expect_eq "enter, first block, boot info, begin, 21 x (write, read back), finish" \
  "$(vendor_commands)" "3a 01 02 03$blocks 09"
enter=$(nth_set 3a)
expect_eq "enter: A1 3A, the entry code 6C 93 1E at bytes 5 to 7" "$(hex_at "$enter" 0 16)" \
  "a13a0000006c931e$(zeros 8)"
expect_eq "every bootloader request is 1041 bytes" \
  "$(vendor_sets | awk 'length($0) != 2082' | wc -l)" 0
first=$(nth_set 01)
expect_eq "first block: A0 01 01" "$(hex_at "$first" 0 16)" "a00101$(zeros 13)"
expect_eq "first block: block 0 of the image" "$(hex_at "$first" 16 1024)" \
  "$(image_block "$WORK/image.bin" 0)"
expect_eq "begin: A0 03, 21 blocks, begin value 0" "$(hex_at "$(nth_set 03)" 0 21)" \
  "a003$(zeros 14)1500000000"
bad=""
i=0
while [ $i -lt 21 ]; do
  write=$(nth_set 06 $((i + 1)))
  data=$(image_block "$WORK/image.bin" $i)
  number=$(printf '%02x' $((i + 9)))
  [ "$(hex_at "$write" 0 5)" = "a006${number}$(checksum_le "$data")" ] || bad="$bad head$i"
  [ "$(hex_at "$write" 16 1024)" = "$data" ] || bad="$bad data$i"
  [ "$(hex_at "$(nth_set 07 $((i + 1)))" 0 3)" = "a007${number}" ] || bad="$bad read$i"
  i=$((i + 1))
done
expect_eq "blocks 9 to 29: number, checksum and data as in the image" "$bad" ""
expect_eq "finish: A0 09" "$(nth_set 09)" "a009$(zeros 1039)"

ctl info
check "info shows the new version" out_has "V0.27"
