#!/usr/bin/env bash
# The Windows installer under Wine, as a user meets it, in a prefix of its
# own: a silent install of an older version, the user's profile made by the
# installed tr58kctl.exe; with that program running, the new installer and
# the uninstaller refuse (exit status 3) and change nothing; once it has
# ended, the new installer upgrades (programs replaced, shortcut, entry and
# profile kept), the installed tr58kctl.exe runs on the simulated mouse, and
# the installer run again in Simplified Chinese (TR58K_LANGUAGE) renames the
# shortcut and the entry into that language, and a silent uninstall in
# Japanese removes everything but the profile. Up to then everything runs in
# the prefix's own language (English: Wine's in the C locale), and the
# shortcut and the entry are named in the installation's language.
#
#   check_installer.sh SETUP_EXE VERSION OLDER_SETUP_EXE PROGRAMS_DIR TEXTS PREFIX_DIR
#
# SETUP_EXE installs VERSION; OLDER_SETUP_EXE is the same installer numbered
# 0.0.1; PROGRAMS_DIR holds the programs SETUP_EXE carries; TEXTS is the
# installer's texts in every language (installer_texts.desktop). PREFIX_DIR
# is removed and made anew: the check never touches a user's prefix. Exits 0
# when every check passed.
set -euo pipefail
setup=$1 version=$2 older_setup=$3 programs=$4 texts=$5
export WINEPREFIX=$6
unset TR58K_LANGUAGE
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
# Wine maps file names through the locale: a checkout's path may not be ASCII.
export LC_ALL=C.UTF-8
WINE=/usr/lib/wine/wine64
[[ -x $WINE ]] || WINE=wine64
EXIT_PROGRAM_RUNNING=3

caption_in() { sed -n "s/^Caption\[$1\]=//p" "$texts"; }
caption=$(caption_in en)
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\ZEMO-TR-58K'
install_dir="$WINEPREFIX/drive_c/Program Files/ZEMO/TR-58K"
install_dir_win='C:\Program Files\ZEMO\TR-58K'
shortcuts="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs"
shortcut="$shortcuts/$caption.lnk"
failures=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}
absent() { [[ ! -e $1 ]]; }
same_as_built() { cmp -s "$install_dir/$1" "$programs/$1"; }
uninstall_entry() {  # prints the entry's values as UTF-8, empty when none
  local reg="$WINEPREFIX/drive_c/entry.reg"
  rm -f "$reg"
  "$WINE" reg export "$key" 'C:\entry.reg' /y >/dev/null 2>&1 || true
  [[ -f $reg ]] && iconv -f UTF-16 -t UTF-8 "$reg" | tr -d '\r'
}
entry_has() { uninstall_entry | grep -qF "$1"; }
run_setup() {  # SETUP_EXE ARGS...: sets status; a silent run ends before it returns
  local exe=$1
  shift
  status=0
  "$WINE" "$(winepath -w "$exe")" "$@" || status=$?
}

rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
"$WINE" wineboot -i >/dev/null 2>&1
wineserver -w

# ---- an older version, and the user's profile -------------------------------
run_setup "$older_setup" /S
check "the older version installs (status $status)" test "$status" = 0
check "its entry names version 0.0.1" entry_has '"DisplayVersion"="0.0.1"'
check "Start-menu shortcut named as the window: $caption" test -f "$shortcut"
(cd "$install_dir" && "$WINE" ./tr58kctl.exe --simulate restore >/dev/null 2>&1)
profile=$(find "$WINEPREFIX/drive_c/users" -path '*/ZEMO/TR-58K/Profiles/DefaultPf.profile' | head -1)
check "the installed tr58kctl.exe saved the user's profile" test -n "$profile"
profile_sum=$(md5sum <"$profile")
# The older programs differ from the new ones.
for exe in tr58k-config.exe tr58kctl.exe; do printf 'older' >>"$install_dir/$exe"; done
older_sums=$(cd "$install_dir" && md5sum tr58k-config.exe tr58kctl.exe)

# ---- a program running: nothing may change ----------------------------------
work=$(mktemp -d)
mkfifo "$work/answer"
# It waits at its question until a line comes.
(cd "$install_dir" && exec "$WINE" ./tr58kctl.exe --simulate firmware <"$work/answer" \
   >"$work/out" 2>"$work/err") &
running=$!
exec 7>"$work/answer"
for _ in $(seq 100); do grep -q 'y/N' "$work/err" 2>/dev/null && break; sleep 0.2; done
check "tr58kctl.exe runs from the installation, waiting at its question" grep -q 'y/N' "$work/err"

run_setup "$setup" /S
check "the new installer refuses while it runs: status $EXIT_PROGRAM_RUNNING (got $status)" \
  test "$status" = "$EXIT_PROGRAM_RUNNING"
check "no program replaced" test "$(cd "$install_dir" && md5sum tr58k-config.exe tr58kctl.exe)" = "$older_sums"
check "the entry still names 0.0.1" entry_has '"DisplayVersion"="0.0.1"'
# Run in place (_?=) so that its own status comes back. NSIS takes the rest
# of the command line as the folder, unquoted: its short name has no space.
run_setup "$install_dir/uninstall.exe" /S "_?=$("$WINE" winepath -s "$install_dir_win" | tr -d '\r')"
check "the uninstaller refuses too: status $EXIT_PROGRAM_RUNNING (got $status)" \
  test "$status" = "$EXIT_PROGRAM_RUNNING"
check "nothing removed" test -f "$install_dir/tr58k-config.exe" -a -f "$install_dir/tr58kctl.exe" -a -f "$shortcut"

echo n >&7
exec 7>&-
wait "$running" || true
rm -rf "$work"

# ---- the upgrade -----------------------------------------------------------
run_setup "$setup" /S
check "the new installer upgrades once the program has ended (status $status)" test "$status" = 0
check "tr58k-config.exe replaced by the new one" same_as_built tr58k-config.exe
check "tr58kctl.exe replaced by the new one" same_as_built tr58kctl.exe
check "uninstaller installed" test -f "$install_dir/uninstall.exe"
check "Start-menu shortcut kept" test -f "$shortcut"
entry=$(uninstall_entry)
check "the entry names version $version" grep -qF "\"DisplayVersion\"=\"$version\"" <<<"$entry"
check "Add/Remove Programs entry: $caption" grep -q "\"DisplayName\"=\"$caption\"" <<<"$entry"
check "entry's uninstall command" grep -qF 'uninstall.exe\" /S' <<<"$entry"
check "the user's profile kept" test "$(md5sum <"$profile")" = "$profile_sum"

# The installed command line runs from its folder on the simulated mouse.
show=$(cd "$install_dir" && "$WINE" ./tr58kctl.exe --simulate --json show 2>&1 | tr -d '\r')
check "installed tr58kctl.exe --simulate --json show" grep -qF '"dpi":[[400,400],[800,800],[1600,1600],[3200,3200]]' <<<"$show"

# ---- the same version again, in another language ---------------------------
chinese="ZEMO TR-58K 电竞光学鼠标"
TR58K_LANGUAGE=zh_CN run_setup "$setup" /S
check "installed again in Simplified Chinese (status $status)" test "$status" = 0
check "Start-menu shortcut named in Chinese: $chinese" test -f "$shortcuts/$chinese.lnk"
check "the English shortcut gave way to it" absent "$shortcut"
check "Add/Remove Programs entry: $chinese" entry_has "\"DisplayName\"=\"$chinese\""

TR58K_LANGUAGE=ja "$WINE" "$install_dir_win\\uninstall.exe" /S
# The uninstaller copies itself to TEMP and runs from there: wait for it.
wineserver -w
check "programs removed" absent "$install_dir/tr58k-config.exe"
check "install folder removed" absent "$install_dir"
check "shortcut removed, whatever the uninstaller's language" absent "$shortcuts/$chinese.lnk"
check "Add/Remove Programs entry removed" test -z "$(uninstall_entry)"
check "the user's profile stays" test "$(md5sum <"$profile")" = "$profile_sum"

wineserver -k || true
if ((failures > 0)); then
  echo "$failures check(s) failed"
  exit 1
fi
echo "installer: every check passed"
