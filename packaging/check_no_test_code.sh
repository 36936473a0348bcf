#!/usr/bin/env bash
# Installs a finished build into a temporary folder and checks that the
# programs a user gets carry nothing made for the tests: neither the first
# bytes of the test firmware images nor the simulated mouse's fault plan.
# The installed binaries are read unstripped: their symbol table (nm -C)
# names every function linked in, and their bytes hold every constant.
#
# Usage: check_no_test_code.sh BUILD_DIR
# Exit status: 0 clean, 1 test code found (or a program missing), 77 a tool
# is missing.
set -uo pipefail

build_dir=$1

for tool in cmake nm grep; do
  command -v "$tool" >/dev/null 2>&1 || { echo "SKIP: $tool is not installed" >&2; exit 77; }
done

tmp=$(mktemp -d "${TMPDIR:-/tmp}/tr58k-no-test-code.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
if ! DESTDIR="$tmp" cmake --install "$build_dir" --prefix /usr >"$tmp/install.log" 2>&1; then
  cat "$tmp/install.log" >&2
  echo "FAIL: cmake --install $build_dir" >&2
  exit 1
fi

# The images' marker is searched as bytes, the fault plan by the names of
# its types and of the mouse's fault switches.
marker='TR58K-TEST-IMAGE'
fault_symbols='FaultPlan|tr58k::Fault\b|Fault::|AddFault|ClearFaults|PendingFaults'

failures=0
checked=0
for program in tr58kctl tr58k-config; do
  binary="$tmp/usr/bin/$program"
  if [ ! -f "$binary" ]; then
    # The window is built only where Qt is (TR58K_BUILD_GUI).
    [ "$program" = tr58k-config ] && [ ! -f "$build_dir/src/app/tr58k-config" ] && continue
    echo "FAIL: $program was not installed" >&2
    failures=$((failures + 1))
    continue
  fi
  checked=$((checked + 1))
  if grep -q -a -F "$marker" "$binary"; then
    echo "FAIL: $program holds the test images' marker $marker" >&2
    failures=$((failures + 1))
  fi
  symbols=$(nm -C "$binary" 2>/dev/null)
  if [ -z "$symbols" ]; then
    echo "FAIL: $program has no symbol table to check (stripped?)" >&2
    failures=$((failures + 1))
  elif found=$(grep -E "$fault_symbols" <<<"$symbols"); then
    echo "FAIL: $program links the fault plan:" >&2
    head -5 <<<"$found" >&2
    failures=$((failures + 1))
  fi
done

echo "checked $checked installed program(s): $failures failure(s)"
[ "$failures" -eq 0 ]
