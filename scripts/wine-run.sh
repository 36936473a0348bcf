#!/usr/bin/env bash
# Runs a Windows program under Wine for the cross build and its tests:
#   scripts/wine-run.sh build-windows/src/cli/tr58kctl.exe --simulate show
# The prefix is TR58K_WINEPREFIX, else "wineprefix" in the build folder that
# holds the current folder or the program (never the user's own ~/.wine);
# no Mono or Gecko prompts, no debug output, and one persistent wineserver so
# that each program starts in a fraction of a second.
set -euo pipefail
build_folder_of() {
  local dir=$1
  while [[ "$dir" != / && "$dir" != . && ! -f "$dir/CMakeCache.txt" ]]; do dir=$(dirname "$dir"); done
  [[ -f "$dir/CMakeCache.txt" ]] && echo "$dir"
}
if [[ -z "${TR58K_WINEPREFIX:-}" ]]; then
  build=$(build_folder_of "$PWD" || true)
  [[ -z "$build" && $# -gt 0 ]] && build=$(build_folder_of "$(cd "$(dirname "$1")" 2>/dev/null && pwd || echo /)" || true)
  if [[ -z "$build" ]]; then
    echo "wine-run.sh: run it inside a build folder, name a program inside one, or set TR58K_WINEPREFIX" >&2
    exit 2
  fi
  TR58K_WINEPREFIX=$build/wineprefix
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
# At a terminal the program writes straight to it (progress bars move).
if [[ -t 1 && -t 2 ]]; then
  exec /usr/lib/wine/wine64 "$@"
fi
# Otherwise: the prefix's services (winedevice.exe) live on with the server
# and keep whatever descriptors the program that started them had; were that
# a pipe of make or ctest, its reader would wait for them forever. So the
# program writes into files, passed on once it has ended.
out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
status=0
/usr/lib/wine/wine64 "$@" >"$out" 2>"$err" || status=$?
cat "$out"
cat "$err" >&2
exit $status
