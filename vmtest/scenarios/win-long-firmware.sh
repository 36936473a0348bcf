# win-firmware with a mouse whose descriptor declares report 0xA1 at the long
# form's 1041 bytes: Wine, as Windows, refuses the program's 64-byte
# exchanges of it, which go again zero-padded to 1041 bytes (the mouse's log
# shows them at that length), and the program updates the firmware, through the bootloader as before.
A1_BYTES=1041
MOUSE_OPTIONS="$MOUSE_OPTIONS --a1-long"
. /vmtest/scenarios/win-firmware.sh
