#!/usr/bin/env bash
# Runs a Windows program under Wine for the cross build's tests: a prefix of
# its own inside the build folder (TR58K_WINEPREFIX, else ./wineprefix beside
# where it is run), no Mono or Gecko prompts, no debug output, and one
# persistent wineserver so that each program starts in a fraction of a second.
set -euo pipefail
if [[ -z "${TR58K_WINEPREFIX:-}" ]]; then
  # ctest runs tests from their own folder: walk up to the build folder.
  dir=$PWD
  while [[ "$dir" != / && ! -f "$dir/CMakeCache.txt" ]]; do dir=$(dirname "$dir"); done
  [[ -f "$dir/CMakeCache.txt" ]] || dir=$PWD
  TR58K_WINEPREFIX=$dir/wineprefix
fi
export WINEPREFIX=$TR58K_WINEPREFIX
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
# Arguments and file names pass between Linux and Windows as UTF-8.
export LC_ALL=C.UTF-8
mkdir -p "$WINEPREFIX"
# A persistent server (-p) outlives each program; when one already runs for
# this prefix the call only says so. test.sh ends it (wineserver -k).
wineserver -p >/dev/null 2>&1 </dev/null || true
# The prefix's services (winedevice.exe) live on with the server and keep
# whatever descriptors the program that started them had: were that a pipe
# of make or ctest, its reader would wait for them forever. So the program
# writes into files, passed on once it has ended.
out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
status=0
/usr/lib/wine/wine64 "$@" >"$out" 2>"$err" || status=$?
cat "$out"
cat "$err" >&2
exit $status
