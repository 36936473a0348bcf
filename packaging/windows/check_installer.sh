#!/usr/bin/env bash
# Installs the Windows installer silently in a Wine prefix of its own, checks
# what it put in place, runs the installed tr58kctl.exe on the simulated
# mouse, uninstalls silently and checks that everything is gone. Twice: in
# the prefix's own language (English: Wine's in the C locale), uninstalled
# in Japanese, and in Simplified Chinese chosen by TR58K_LANGUAGE; the
# shortcut and the entry are named in the installation's language.
#
#   check_installer.sh SETUP_EXE PREFIX_DIR TEXTS
#
# TEXTS is the installer's texts in every language (installer_texts.desktop).
# PREFIX_DIR is removed and made anew: the check never touches a user's
# prefix. Exits 0 when every check passed.
set -euo pipefail
setup=$1
export WINEPREFIX=$2
texts=$3
caption_in() { sed -n "s/^Caption\[$1\]=//p" "$texts"; }
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C.UTF-8
unset TR58K_LANGUAGE
WINE=/usr/lib/wine/wine64
[[ -x $WINE ]] || WINE=wine64

key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\ZEMO-TR-58K'
install_dir="$WINEPREFIX/drive_c/Program Files/ZEMO/TR-58K"
shortcuts="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs"
failures=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}
absent() { [[ ! -e $1 ]]; }
uninstall_entry() {  # prints the entry's values as UTF-8, empty when none
  local reg="$WINEPREFIX/drive_c/entry.reg"
  rm -f "$reg"
  "$WINE" reg export "$key" 'C:\entry.reg' /y >/dev/null 2>&1 || true
  [[ -f $reg ]] && iconv -f UTF-16 -t UTF-8 "$reg" | tr -d '\r'
}

rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
"$WINE" wineboot -i >/dev/null 2>&1
wineserver -w

# install_and_check LANGUAGE_FOR_INSTALL CAPTION LANGUAGE_FOR_UNINSTALL
install_and_check() {
  local caption=$2
  local shortcut="$shortcuts/$caption.lnk"
  TR58K_LANGUAGE=$1 "$WINE" "$(winepath -w "$setup" 2>/dev/null || echo "$setup")" /S
  wineserver -w
  check "tr58k-config.exe installed" test -f "$install_dir/tr58k-config.exe"
  check "tr58kctl.exe installed" test -f "$install_dir/tr58kctl.exe"
  check "uninstaller installed" test -f "$install_dir/uninstall.exe"
  check "Start-menu shortcut named as the window: $caption" test -f "$shortcut"
  entry=$(uninstall_entry)
  check "Add/Remove Programs entry: $caption" grep -q "\"DisplayName\"=\"$caption\"" <<<"$entry"
  check "entry's uninstall command" grep -qF 'uninstall.exe\" /S' <<<"$entry"

  # The installed command line runs from its folder on the simulated mouse.
  show=$(cd "$install_dir" && "$WINE" ./tr58kctl.exe --simulate --json show 2>&1 | tr -d '\r')
  check "installed tr58kctl.exe --simulate --json show" grep -qF '"dpi":[[400,400],[800,800],[1600,1600],[3200,3200]]' <<<"$show"

  TR58K_LANGUAGE=$3 "$WINE" 'C:\Program Files\ZEMO\TR-58K\uninstall.exe' /S
  # The uninstaller copies itself to TEMP and runs from there: wait for it.
  wineserver -w
  check "programs removed" absent "$install_dir/tr58k-config.exe"
  check "install folder removed" absent "$install_dir"
  check "shortcut removed, whatever the uninstaller's language" absent "$shortcut"
  check "Add/Remove Programs entry removed" test -z "$(uninstall_entry)"
}
install_and_check "" "$(caption_in en)" ja
install_and_check zh_CN "ZEMO TR-58K 电竞光学鼠标" ""

wineserver -k || true
if ((failures > 0)); then
  echo "$failures check(s) failed"
  exit 1
fi
echo "installer: every check passed"
