# Start-up of tr58k-config.exe under Wine in the VM, broken down by the
# start-up benchmark (src/app/win32/startup_bench.cpp): first with no mouse
# plugged in, then with the virtual mouse, whose start-up read then goes
# through Wine's HID stack to the kernel. A benchmark, run when named:
#   vmtest/run-vm-tests.sh build win-startup-bench
# Its figures are printed with the run and kept in the logs' share
# (BUILD_DIR/vmtest/vm/windows/logs/startup-bench.txt).
RUNS=9
program="Z:$(echo "$CONFIG_EXE" | tr / '\\')"

bench() {  # TITLE
  local out="$WORK/bench.out"
  wine_run "$out" "$WORK/bench.err" "$STARTUP_BENCH_EXE" "$program" $RUNS
  { echo "== $1 (status $STATUS, $ELAPSED_MS ms)"; cat "$out" "$WORK/bench.err"; } >>/tmp/logs/startup-bench.txt
  echo "  == $1"
  sed 's/^/  | /' "$out" "$WORK/bench.err"
  expect_eq "the benchmark ran to its end: $1" "$STATUS" 0
}

check "the benchmark is in the programs' share" test -n "$STARTUP_BENCH_EXE"
: >/tmp/logs/startup-bench.txt
check "Wine lists no mouse" win_hid_list --wait 4C95:5837:0 15000
bench "no mouse plugged in"
mouse_start
check "Wine lists both interfaces" win_hid_list --wait 4C95:5837:2 15000
: >"$WORK/mouse.log"
bench "the virtual mouse plugged in"
check "the program's start-up reads reached the mouse" log_has '^get vendor '
mouse_stop
