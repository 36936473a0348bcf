#!/usr/bin/env bash
# Gives a Wine prefix Chinese, Japanese and Korean glyphs for the dialog
# font, as a Windows with those languages has: WenQuanYi Micro Hei linked
# to Tahoma (the dialog font), the faces edit boxes fall back to replaced
# by it, and Wine's own Marlett and Tahoma (the caption buttons) copied in.
# Settings of that prefix only, never of the program. Once per prefix.
#   scripts/wine-cjk-fonts.sh PREFIX
set -euo pipefail
export WINEPREFIX=$1 WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
WINE=/usr/lib/wine/wine64
marker="$WINEPREFIX/.tr58k-cjk-fonts"
[[ -f "$marker" ]] && exit 0
for f in /usr/share/fonts/truetype/wqy/wqy-microhei.ttc /usr/share/wine/fonts/marlett.ttf; do
  [[ -f "$f" ]] || { echo "missing $f (packages fonts-wqy-microhei, fonts-wine)" >&2; exit 2; }
done
mkdir -p "$WINEPREFIX"
[[ -f "$WINEPREFIX/system.reg" ]] || "$WINE" wineboot --init >/dev/null 2>&1
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
touch "$marker"
