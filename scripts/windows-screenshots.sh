#!/usr/bin/env bash
# Remakes docs/windows-main.png, docs/windows-update.png and, at 150 %
# (144 DPI), docs/windows-main-150.png: tr58k-config.exe from the Windows
# build on the simulated mouse, under Wine in a virtual desktop (so the
# windows have Wine's title bar) on a virtual X display.
#   scripts/windows-screenshots.sh [BUILD_DIR]     (default build-windows)
# The Wine prefix is made fresh in BUILD_DIR/screenshot-prefix with Chinese
# glyphs for the dialog font (WenQuanYi Micro Hei linked to Tahoma) and
# Wine's own Marlett and Tahoma (the caption buttons) copied in: settings of
# this prefix only, not of the program.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-$ROOT/build-windows}" && pwd)
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
run() {  # run NAME OPTION DPI: the program in a virtual desktop, picture to $tmp/NAME.bmp
  local dpi=$3
  # The scale the prefix's next programs start at, and a desktop with room
  # for the window at that scale.
  "$WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  wineserver -w
  local width=$((800 * dpi / 96)) height=$((600 * dpi / 96))
  (cd "$tmp" && timeout 120 xvfb-run -a -s "-screen 0 $((width + 64))x$((height + 64))x24" \
    "$WINE" explorer /desktop=tr58k,${width}x${height} tr58k-config.exe --simulate "$2" "$1.bmp" \
    >/dev/null 2>&1) || true
  wineserver -w
  [[ -s "$tmp/$1.bmp" ]] || { echo "no picture from $2 at $dpi DPI" >&2; exit 1; }
}
run main --screenshot 96
run update --screenshot-update 96
run main-150 --screenshot 144
for name in main update main-150; do
  convert "$tmp/$name.bmp" "$ROOT/docs/windows-$name.png"
done
echo "wrote docs/windows-main.png, docs/windows-update.png and docs/windows-main-150.png"
