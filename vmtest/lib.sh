# Helpers for the VM scenarios (busybox sh). The VM's init sources this, sets
# WORK to the scenario's own folder, sources the scenario and calls finish:
# the scenario passes when none of its checks failed.
#
# The virtual mouse logs one line per event in $WORK/mouse.log:
#   arrive PPPP VVVV       on the bus as product PPPP, version VVVV
#   leave | unplug | plug | unplug at CC
#   set vendor HEX         a feature report set on the vendor collection,
#                          every byte as the kernel handed it over
#   set other HEX          the same on another interface (the decoy)
#   get vendor RR SS       a get of report RR, answered with status SS
#   get other RR

FAILS=0
MOUSE_OPTIONS=""  # options every virtual mouse of the VM gets
export HOME=/root
CTL=/usr/local/bin/tr58kctl

check() {  # DESCRIPTION COMMAND...: counts a failure when COMMAND fails
  local what=$1
  shift
  if "$@"; then
    echo "  ok - $what"
  else
    echo "  not ok - $what"
    FAILS=$((FAILS + 1))
  fi
}

expect_eq() {  # DESCRIPTION ACTUAL EXPECTED
  if [ "$2" = "$3" ]; then
    echo "  ok - $1"
  else
    echo "  not ok - $1"
    echo "    got:      $(echo "$2" | cut -c1-160)"
    echo "    expected: $(echo "$3" | cut -c1-160)"
    FAILS=$((FAILS + 1))
  fi
}

between() { [ "$1" -ge "$2" ] && [ "$1" -le "$3" ]; }  # VALUE LOW HIGH

finish() {
  mouse_stop
  [ "$FAILS" = 0 ]
}

now_ms() { awk '{ printf "%d", $1 * 1000 }' /proc/uptime; }

wait_for() {  # MILLISECONDS COMMAND...: polls COMMAND every 50 ms
  local limit=$1 waited=0
  shift
  while ! "$@"; do
    [ "$waited" -ge "$limit" ] && return 1
    usleep 50000
    waited=$((waited + 50))
  done
}

# ---- the virtual mouse ----------------------------------------------------------

# The hidraw nodes of the HID devices with the mouse's vendor and PRODUCT.
mouse_nodes() {
  ls -d /sys/bus/hid/devices/*:4C95:"$1".*/hidraw/hidraw* 2>/dev/null | sed 's,.*/,,'
}
node_count() { mouse_nodes "$1" | wc -l; }
has_nodes() { [ "$(node_count "$1")" -ge "$2" ]; }
has_no_nodes() { [ "$(node_count "$1")" = 0 ]; }

wait_for_mouse() {  # [PRODUCT [COUNT]]: its interfaces bound, nodes in /dev
  local product=${1:-5837} count=${2:-2}
  wait_for 10000 has_nodes "$product" "$count" || return 1
  local node
  for node in $(mouse_nodes "$product"); do
    wait_for 5000 test -c "/dev/$node" || return 1
  done
}

mouse_start() {  # tr58k-uhid-mouse options; waits until the kernel shows it
  rm -f "$WORK/mouse.pid"
  tr58k-uhid-mouse --log "$WORK/mouse.log" --pid-file "$WORK/mouse.pid" $MOUSE_OPTIONS "$@" &
  if ! wait_for 5000 test -f "$WORK/mouse.pid"; then
    echo "  not ok - the virtual mouse started"
    FAILS=$((FAILS + 1))
    return 1
  fi
  local product=5837 count=2
  case " $* " in *" --mode bootloader "*) product=5836 count=1 ;; esac
  check "the kernel shows the virtual mouse ($product)" wait_for_mouse "$product" "$count"
}

mouse_pid() { cat "$WORK/mouse.pid" 2>/dev/null; }

mouse_stop() {
  local pid
  pid=$(mouse_pid)
  [ -n "$pid" ] || return 0
  kill "$pid" 2>/dev/null
  # With --wait-for-release it waits up to 10 s for each interface.
  wait_for 25000 sh -c "! kill -0 $pid 2>/dev/null"
  rm -f "$WORK/mouse.pid"
  wait_for 5000 has_no_nodes 5837
  wait_for 5000 has_no_nodes 5836
  after_mouse_stop
}
after_mouse_stop() { :; }  # the Windows VM waits for Wine here

mouse_unplug() { kill -USR1 "$(mouse_pid)"; }
mouse_plug() { kill -USR2 "$(mouse_pid)"; }

# ---- what the mouse received -------------------------------------------------

log_has() { grep -q -- "$1" "$WORK/mouse.log"; }
log_count() { grep -c -- "$1" "$WORK/mouse.log"; }

# Every request set on the vendor collection, in hex, one a line.
vendor_sets() { grep '^set vendor ' "$WORK/mouse.log" | cut -d' ' -f3; }
# Their command bytes, space-separated: "07 03 08 04".
vendor_commands() { vendor_sets | cut -c3-4 | tr '\n' ' ' | sed 's/ $//'; }
# The N-th (default 1) request with command byte CMD.
nth_set() { vendor_sets | awk -v c="$1" -v n="${2:-1}" 'substr($0, 3, 2) == c { if (++k == n) { print; exit } }'; }
# LEN bytes of HEX from byte OFFSET, as hex.
hex_at() { echo "$1" | cut -c$(($2 * 2 + 1))-$((($2 + $3) * 2)); }
hex_len() { echo $((${#1} / 2)); }
zeros() { awk -v n="$1" 'BEGIN { while (n-- > 0) printf "00"; print "" }'; }

# ---- tr58kctl -------------------------------------------------------------------

# Runs tr58kctl as root with the scenario's own profile folder: STATUS,
# ELAPSED_MS, $WORK/out and $WORK/err.
ctl() {
  local t0
  t0=$(now_ms)
  XDG_CONFIG_HOME="$WORK/config" "$CTL" "$@" >"$WORK/out" 2>"$WORK/err"
  STATUS=$?
  ELAPSED_MS=$(($(now_ms) - t0))
}

# The same as the unprivileged user "user" (uid 1000).
ctl_as_user() {
  local t0
  t0=$(now_ms)
  mkdir -p "$WORK/user"
  chown 1000:1000 "$WORK/user"
  su -s /bin/sh user -c "XDG_CONFIG_HOME=$WORK/user $CTL $*" >"$WORK/out" 2>"$WORK/err"
  STATUS=$?
  ELAPSED_MS=$(($(now_ms) - t0))
}

out_has() { grep -q -- "$1" "$WORK/out"; }
err_has() { grep -q -- "$1" "$WORK/err"; }
show_output() { sed 's/^/    | /' "$WORK/out" "$WORK/err"; }

# A 1024-byte configuration block in hex, zero but for the given patches,
# each OFFSET:HEX with a decimal offset ("$((0x34)):90019001").
block_hex() {
  echo "$*" | awk '{
    for (i = 0; i < 1024; i++) b[i] = "00"
    for (k = 1; k <= NF; k++) {
      split($k, f, ":")
      for (j = 0; j < length(f[2]) / 2; j++) b[f[1] + j] = substr(f[2], 2 * j + 1, 2)
    }
    s = ""
    for (i = 0; i < 1024; i++) s = s b[i]
    print s
  }'
}

# The constant table every written block carries at 0x65.
FIXED_TABLE="$((0x65)):0001000000000f0002000000000f0004000000000f0010000000000f0008000000000f09f1000000000f"

# The factory settings' block for profile slot PROFILE (hex byte).
factory_block() {
  block_hex "$((0x00)):$1" "$((0x01)):70726f66696c65" "$((0x11)):0004" \
    "$((0x15)):01" "$((0x16)):01" "$((0x1A)):01" "$((0x25)):ff000001" "$((0x29)):00ff0001" \
    "$((0x2D)):0000ff01" "$((0x32)):02" "$((0x34)):90019001" "$((0x3D)):20032003" \
    "$((0x52)):40064006" "$((0x56)):04" "$((0x5C)):800c800c" "$FIXED_TABLE" "$((0xC4)):ffffff01"
}

# ---- firmware images ----------------------------------------------------------

# Block I (from 0) of an image file as hex, a last partial block padded with
# zeros to 1024 bytes.
image_block() {
  dd if="$1" bs=1024 skip="$2" count=1 2>/dev/null | xxd -p | tr -d '\n' |
    awk '{ s = $0; while (length(s) < 2048) s = s "00"; print s }'
}
# The sum of the bytes of HEX modulo 65536, little-endian, as hex.
checksum_le() {
  echo "$1" | awk 'function v(c) { return index("0123456789abcdef", c) - 1 }
    { for (i = 1; i < length($0); i += 2) s += v(substr($0, i, 1)) * 16 + v(substr($0, i + 1, 1))
      s %= 65536; printf "%02x%02x\n", s % 256, int(s / 256) }'
}
all_output_has() { grep -q -- "$1" "$WORK/out" "$WORK/err"; }

# What a whole update from normal mode of a 21,504-byte IMAGE sent: enter,
# first block, boot info, begin, 21 x (write, read back), finish, every
# request byte for byte. The enter's length is the platform's (see the
# scenarios).
check_update_from_normal_mode() {
  local image=$1 blocks="" i=0 enter first bad write data number
  while [ $i -lt 21 ]; do blocks="$blocks 06 07"; i=$((i + 1)); done
  expect_eq "enter, first block, boot info, begin, 21 x (write, read back), finish" \
    "$(vendor_commands)" "3a 01 02 03$blocks 09"
  enter=$(nth_set 3a)
  expect_eq "enter: A1 3A, the entry code 6C 93 1E at bytes 5 to 7" "$(hex_at "$enter" 0 16)" \
    "a13a0000006c931e$(zeros 8)"
  expect_eq "every request after the enter is 1041 bytes" \
    "$(vendor_sets | grep -v '^a13a' | awk 'length($0) != 2082' | wc -l)" 0
  first=$(nth_set 01)
  expect_eq "first block: A0 01 01" "$(hex_at "$first" 0 16)" "a00101$(zeros 13)"
  expect_eq "first block: block 0 of the image" "$(hex_at "$first" 16 1024)" \
    "$(image_block "$image" 0)"
  expect_eq "begin: A0 03, 21 blocks, begin value 0" "$(hex_at "$(nth_set 03)" 0 21)" \
    "a003$(zeros 14)1500000000"
  bad=""
  i=0
  while [ $i -lt 21 ]; do
    write=$(nth_set 06 $((i + 1)))
    data=$(image_block "$image" $i)
    number=$(printf '%02x' $((i + 9)))
    [ "$(hex_at "$write" 0 5)" = "a006${number}$(checksum_le "$data")" ] || bad="$bad head$i"
    [ "$(hex_at "$write" 16 1024)" = "$data" ] || bad="$bad data$i"
    [ "$(hex_at "$(nth_set 07 $((i + 1)))" 0 3)" = "a007${number}" ] || bad="$bad read$i"
    i=$((i + 1))
  done
  expect_eq "blocks 9 to 29: number, checksum and data as in the image" "$bad" ""
  expect_eq "finish: A0 09" "$(nth_set 09)" "a009$(zeros 1039)"
}
