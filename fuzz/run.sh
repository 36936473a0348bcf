#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) in build-fuzz and runs each one for SECONDS.
# Fails when any target crashes, leaks, hangs or breaks one of its checks.
#
#   fuzz/run.sh          20 s a target (what ./test.sh runs)
#   fuzz/run.sh 600      ten minutes a target, before a release
#   fuzz/run.sh 0        build, and replay the seeds and regressions only
#
# The inputs each run finds go to build-fuzz/corpus/<target> (kept between
# runs, never into the repository); an input that breaks a target is saved
# as build-fuzz/artifacts/<target>-crash-... and the run's log is printed.
# Replay one with: build-fuzz/fuzz_<target> <file>
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-20}
if ! [[ "$seconds" =~ ^[0-9]+$ ]]; then
  echo "usage: fuzz/run.sh [seconds per target]" >&2
  exit 2
fi
build=${FUZZ_BUILD_DIR:-build-fuzz}
jobs=${JOBS:-2}

# target:max_len (the longest input worth trying: a profile, one 0x07
# answer, a descriptor, the answers of a three-block update).
targets=(profile_loader:4096 config_block:1100 hid_descriptor:4096 bootloader_responses:16384)

CC=${FUZZ_CC:-clang} CXX=${FUZZ_CXX:-clang++} cmake -S fuzz -B "$build" >/dev/null
names=()
for entry in "${targets[@]}"; do names+=("fuzz_${entry%%:*}"); done
cmake --build "$build" -j "$jobs" --target "${names[@]}" >/dev/null

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
failed=0
for entry in "${targets[@]}"; do
  target=${entry%%:*}
  max_len=${entry##*:}
  binary="$build/fuzz_$target"
  work="$build/corpus/$target"
  log="$build/$target.log"
  mkdir -p "$work" "$build/artifacts"

  # Every input that once broke a target must keep passing.
  regressions=(fuzz/regressions/"$target"/*)
  if [ -e "${regressions[0]}" ]; then
    if ! "$binary" "${regressions[@]}" >"$log" 2>&1; then
      echo "FAIL $target: a regression input breaks it again"
      tail -n 40 "$log"
      failed=1
      continue
    fi
  fi

  if [ "$seconds" -eq 0 ]; then
    run=(-runs=0)
  else
    run=(-max_total_time="$seconds")
  fi
  start=$(date +%s)
  if "$binary" "${run[@]}" -max_len="$max_len" -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="$build/artifacts/$target-" -print_final_stats=1 \
      "$work" "fuzz/corpus/$target" >"$log" 2>&1; then
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    units=$(find "$work" -type f | wc -l)
    echo "ok   $target: ${execs:-0} inputs in $(( $(date +%s) - start )) s, corpus $units"
  else
    echo "FAIL $target (log: $log)"
    grep -E "broken promise|ERROR: |SUMMARY: |runtime error" "$log" | head -n 20 || true
    ls -1 "$build"/artifacts/"$target"-* 2>/dev/null | tail -n 3
    failed=1
  fi
done
exit "$failed"
