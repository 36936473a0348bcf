#!/usr/bin/env bash
# Remakes docs/windows-main.png and docs/windows-update.png: tr58k-config.exe
# from the Windows build on the simulated mouse, under Wine in a virtual
# desktop (so the windows have Wine's title bar) on a virtual X display.
#   scripts/windows-screenshots.sh [BUILD_DIR] [LANGUAGE]
# BUILD_DIR defaults to build-windows. Without LANGUAGE the window shows its
# texts as written (--language C); with one (en, de, ...) the pictures are
# docs/windows-main-LANGUAGE.png and docs/windows-update-LANGUAGE.png.
# The Wine prefix is made fresh in BUILD_DIR/screenshot-prefix with Chinese
# glyphs for the dialog font (WenQuanYi Micro Hei linked to Tahoma) and
# Wine's own Marlett and Tahoma (the caption buttons) copied in: settings of
# this prefix only, not of the program.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-$ROOT/build-windows}" && pwd)
LANGUAGE_OPTION=${2:-C}
SUFFIX=${2:+-$2}
EXE="$BUILD/src/app/tr58k-config.exe"
[[ -f "$EXE" ]] || { echo "no $EXE: build the Windows build first (./test.sh --windows)" >&2; exit 2; }
for f in /usr/share/fonts/truetype/wqy/wqy-microhei.ttc /usr/share/wine/fonts/marlett.ttf; do
  [[ -f "$f" ]] || { echo "missing $f (packages fonts-wqy-microhei, fonts-wine)" >&2; exit 2; }
done

export WINEPREFIX="$BUILD/screenshot-prefix" WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C.UTF-8
WINE=/usr/lib/wine/wine64
rm -rf "$WINEPREFIX"
"$WINE" wineboot --init >/dev/null 2>&1
wineserver -w
fonts="$WINEPREFIX/drive_c/windows/Fonts"
mkdir -p "$fonts"
cp /usr/share/wine/fonts/marlett.ttf /usr/share/wine/fonts/tahoma*.ttf "$fonts/"
cp /usr/share/fonts/truetype/wqy/wqy-microhei.ttc "$fonts/"
link='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
for face in "Tahoma" "Tahoma Bold"; do
  "$WINE" reg add "$link" /v "$face" /t REG_MULTI_SZ /d "wqy-microhei.ttc,WenQuanYi Micro Hei" /f >/dev/null 2>&1
done
# Edit boxes draw through Uniscribe, which falls back to the face the
# system's own Chinese font replaces, not through the link above.
for face in "SimSun" "NSimSun" "Microsoft YaHei" "Microsoft Sans Serif"; do
  "$WINE" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /t REG_SZ /d "WenQuanYi Micro Hei" /f >/dev/null 2>&1
done
wineserver -w

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
