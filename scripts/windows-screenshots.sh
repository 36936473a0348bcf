#!/usr/bin/env bash
# Remakes docs/windows-main.png and docs/windows-update.png: tr58k-config.exe
# from the Windows build on the simulated mouse, under Wine in a virtual
# desktop (so the windows have Wine's title bar) on a virtual X display.
#   scripts/windows-screenshots.sh [BUILD_DIR] [LANGUAGE]
# BUILD_DIR defaults to build-windows. Without LANGUAGE the window shows its
# texts as written (--language C); with one (en, de, ...) the pictures are
# docs/windows-main-LANGUAGE.png and docs/windows-update-LANGUAGE.png.
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
run() {  # run NAME OPTION: the program in a virtual desktop, picture to $tmp/NAME.bmp
  (cd "$tmp" && timeout 120 xvfb-run -a -s "-screen 0 1024x768x24" \
    "$WINE" explorer /desktop=tr58k,800x600 tr58k-config.exe --simulate --language "$LANGUAGE_OPTION" \
    "$2" "$1.bmp" >/dev/null 2>&1) || true
  wineserver -w
  [[ -s "$tmp/$1.bmp" ]] || { echo "no picture from $2" >&2; exit 1; }
}
run main --screenshot
run update --screenshot-update
convert "$tmp/main.bmp" "$ROOT/docs/windows-main$SUFFIX.png"
convert "$tmp/update.bmp" "$ROOT/docs/windows-update$SUFFIX.png"
echo "wrote docs/windows-main$SUFFIX.png and docs/windows-update$SUFFIX.png"
