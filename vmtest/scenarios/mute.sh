# A mouse that stops answering after the configuration read request: the
# kernel fails each get after its own 5 s with EIO, the link retries that
# as a write fault three times, and show ends with the stored settings after
# four such waits, not sooner and not later.
mouse_start --mute-at 07
ctl --trace show
expect_eq "show exits 0" "$STATUS" 0
check "it notes that the mouse did not send its settings" err_has "did not send its settings"
expect_eq "four gets, each failed by the kernel with EIO (write fault 29)" \
  "$(grep -c '^fail get 29$' "$WORK/err")" 4
check "each after about 5 s: 18 to 30 s in all (took $ELAPSED_MS ms)" \
  between "$ELAPSED_MS" 18000 30000
expect_eq "the mouse saw the one request" "$(vendor_commands)" "07"
