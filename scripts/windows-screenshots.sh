#!/usr/bin/env bash
# Remakes docs/windows-main.png, docs/windows-update.png and, at 150 %
# (144 DPI), docs/windows-main-150.png: tr58k-config.exe from the Windows
# build on the simulated mouse, under Wine in a virtual desktop (so the
# windows have Wine's title bar) on a virtual X display.
#   scripts/windows-screenshots.sh [BUILD_DIR] [LANGUAGE]
# BUILD_DIR defaults to build-windows. Without LANGUAGE the window shows its
# texts as written (--language C); with one (en, de, ...) the pictures are
# docs/windows-main-LANGUAGE.png and docs/windows-update-LANGUAGE.png (at
# 96 DPI only).
# The Wine prefix is made fresh in BUILD_DIR/screenshot-prefix with Chinese,
# Japanese and Korean glyphs for the dialog font (scripts/wine-cjk-fonts.sh):
# settings of this prefix only, not of the program.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-$ROOT/build-windows}" && pwd)
LANGUAGE_OPTION=${2:-C}
SUFFIX=${2:+-$2}
EXE="$BUILD/src/app/tr58k-config.exe"
[[ -f "$EXE" ]] || { echo "no $EXE: build the Windows build first (./test.sh --windows)" >&2; exit 2; }
export WINEPREFIX="$BUILD/screenshot-prefix" WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C.UTF-8
WINE=/usr/lib/wine/wine64
rm -rf "$WINEPREFIX"
"$ROOT/scripts/wine-cjk-fonts.sh" "$WINEPREFIX"

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"; wineserver -k 2>/dev/null || true' EXIT
cp "$EXE" "$tmp/"
run() {  # run NAME OPTION DPI: the program in a virtual desktop, picture to $tmp/NAME.bmp
  local dpi=$3
  # The scale the prefix's next programs start at, and a desktop with room
  # for the window at that scale.
  "$WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  wineserver -w
  local width=$((800 * dpi / 96)) height=$((600 * dpi / 96))
  (cd "$tmp" && timeout 120 xvfb-run -a -s "-screen 0 $((width + 64))x$((height + 64))x24" \
    "$WINE" explorer /desktop=tr58k,${width}x${height} tr58k-config.exe --simulate \
    --language "$LANGUAGE_OPTION" "$2" "$1.bmp" >/dev/null 2>&1) || true
  wineserver -w
  [[ -s "$tmp/$1.bmp" ]] || { echo "no picture from $2 at $dpi DPI" >&2; exit 1; }
}
names="main update"
run main --screenshot 96
run update --screenshot-update 96
if [[ -z "$SUFFIX" ]]; then
  run main-150 --screenshot 144
  names="$names main-150"
fi
written=""
for name in $names; do
  convert "$tmp/$name.bmp" "$ROOT/docs/windows-$name$SUFFIX.png"
  written="$written docs/windows-$name$SUFFIX.png"
done
echo "wrote$written"
