#!/usr/bin/env bash
# Runs a Windows test program that shows windows (CTest's dialog tests):
#   scripts/wine-dialog-test.sh build-windows/src/ui/win32/win32_host_tests.exe [args]
# On a virtual X display of its own, in a prefix kept for such programs
# (wineprefix-dialogs in the program's build folder) whose server ends with
# the program: Wine's desktop process lives on the display of the program
# that started it, so a server outliving its display (as wine-run.sh's
# persistent one does) leaves later windows nowhere to go.
set -euo pipefail
program=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
shift
dir=$(dirname "$program")
while [[ "$dir" != / && ! -f "$dir/CMakeCache.txt" ]]; do dir=$(dirname "$dir"); done
[[ -f "$dir/CMakeCache.txt" ]] || { echo "wine-dialog-test.sh: $program is in no build folder" >&2; exit 2; }
export WINEPREFIX="$dir/wineprefix-dialogs" WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C.UTF-8
mkdir -p "$WINEPREFIX"
# Chinese, Japanese and Korean glyphs for the dialog font, as such a Windows
# has them: the fit test measures every language's texts.
"$(dirname "$0")/wine-cjk-fonts.sh" "$WINEPREFIX"
out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
status=0
# The prefix's services would keep a pipe of ctest open: files, passed on.
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  status=0
  /usr/lib/wine/wine64 "$@" || status=$?
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  exit $status' wine-dialog-test "$program" "$@" >"$out" 2>"$err" || status=$?
cat "$out"
cat "$err" >&2
exit $status
