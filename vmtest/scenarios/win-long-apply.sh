# win-apply with a mouse whose descriptor declares report 0xA1 at the long
# form's 1041 bytes: Wine, as Windows, refuses the program's 64-byte
# exchanges of it, which go again zero-padded to 1041 bytes (the mouse's log
# shows them at that length), and the program applies as before.
A1_BYTES=1041
MOUSE_OPTIONS="$MOUSE_OPTIONS --a1-long"
. /vmtest/scenarios/win-apply.sh
ctl --trace apply --dpi 400,800,1600,3200
expect_eq "apply exits 0" "$STATUS" 0
check "--trace shows the requests padded" err_has "^pad set 64 1041$"
check "and the 64-byte reads" err_has "^pad get 64 1041$"
