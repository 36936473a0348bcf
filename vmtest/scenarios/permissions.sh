# The mouse's node not readable by the user running tr58kctl (no udev rule
# gave it away): the message names the udev rule, and nothing is sent.
mouse_start
node=$(mouse_nodes 5837 | tail -1)
check "the nodes are root's alone, as devtmpfs makes them" \
  sh -c "ls -l /dev/$node | grep -q '^crw------- .* root'"
ctl_as_user info
expect_eq "info as a user exits 5" "$STATUS" 5
check "it names the udev rule" err_has "70-zemo-tr58k.rules"
check "it names the vendor interface's node /dev/$node" err_has "/dev/$node"
ctl_as_user apply --dpi 500,1000,2000,4000
expect_eq "apply as a user exits 5" "$STATUS" 5
check "with the window's message" err_has "检测不到ZEMO TR-58K鼠标,请重试！"
check "and the rule" err_has "70-zemo-tr58k.rules"
ctl_as_user show
check "show as a user names the rule too" err_has "70-zemo-tr58k.rules"
expect_eq "nothing reached the mouse" "$(log_count '^[sg]et ')" 0

# What the rule does: the node readable and writable by the user.
for n in $(mouse_nodes 5837); do chmod 0666 "/dev/$n"; done
ctl_as_user info
expect_eq "with access, info as a user exits 0" "$STATUS" 0
check "and shows V0.26" out_has "V0.26"
