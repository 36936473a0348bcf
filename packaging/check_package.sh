#!/usr/bin/env bash
# Builds the Debian package from a finished build folder into a temporary
# folder and checks it the way a user's machine would meet it: file list,
# ownership and modes, control fields, the maintainer script, the desktop
# entry and metainfo (validated), the icons, the man pages, the copyright
# file and changelog, Debian's own checker lintian, and the unpacked
# programs themselves (tr58kctl on the simulated mouse, the window started
# from the menu entry's command under a virtual X server).
#
# Usage: check_package.sh BUILD_DIR VERSION APP_ID GUI(ON|OFF) "ICON SIZES"
# Exit status: 0 all checks passed, 1 a check failed, 77 a tool is missing.
set -uo pipefail

build_dir=$1 version=$2 app_id=$3 gui=$4 icon_sizes=$5

checks=0
failures=0
check() {  # check DESCRIPTION COMMAND...: runs the command, counts the result
  local what=$1
  shift
  checks=$((checks + 1))
  if ! "$@"; then
    echo "FAIL: $what" >&2
    failures=$((failures + 1))
  fi
}
skip() {
  echo "SKIP: $*" >&2
  exit 77
}

for tool in cpack dpkg-deb dpkg desktop-file-validate appstreamcli lintian; do
  command -v "$tool" >/dev/null 2>&1 ||
    skip "$tool is not installed (scripts/deps.sh lists the Debian package that has it)"
done
if [ "$gui" = ON ]; then
  command -v xvfb-run >/dev/null 2>&1 ||
    skip "xvfb-run is not installed (Debian package xvfb, listed in scripts/deps.sh)"
fi

tmp=$(mktemp -d "${TMPDIR:-/tmp}/tr58k-package.XXXXXX")
trap 'rm -rf "$tmp"' EXIT

# --- build the package -------------------------------------------------------
if ! cpack -G DEB --config "$build_dir/CPackConfig.cmake" -B "$tmp/out" >"$tmp/cpack.log" 2>&1; then
  cat "$tmp/cpack.log" >&2
  echo "FAIL: cpack could not build the package" >&2
  exit 1
fi
arch=$(dpkg --print-architecture)
deb="$tmp/out/tr58k_${version}_${arch}.deb"
debs=("$tmp"/out/*.deb)
check "exactly one package, named tr58k_${version}_${arch}.deb (got: ${debs[*]##*/})" \
  test "${#debs[@]}" -eq 1 -a -f "$deb"
[ -f "$deb" ] || { echo "packaging: no package to check" >&2; exit 1; }

# --- control fields ----------------------------------------------------------
field() { dpkg-deb -f "$deb" "$1"; }
check "Package is tr58k (got '$(field Package)')" test "$(field Package)" = tr58k
check "Version is $version (got '$(field Version)')" test "$(field Version)" = "$version"
check "Architecture is $arch (got '$(field Architecture)')" test "$(field Architecture)" = "$arch"
check "Maintainer reads 'Name <address>' (got '$(field Maintainer)')" \
  grep -Eq '^[^<>]+ <[^<>@ ]+@[^<>@ ]+>$' <<<"$(field Maintainer)"
check "Section is set" test -n "$(field Section)"
check "Installed-Size is set" test -n "$(field Installed-Size)"
check "Description has a summary line and a long description" \
  test "$(field Description | wc -l)" -ge 2

# Package names of a relation field, without versions or alternatives' bars.
relation_names() { field "$1" | tr ',|' '\n\n' | sed -E 's/\(.*\)//; s/^ +//; s/ +$//' | sed '/^$/d'; }
depends=$(relation_names Depends)
needed=(libc6 libstdc++6 libudev1)
[ "$gui" = ON ] && needed+=(libqt6core6 libqt6gui6 libqt6widgets6 fonts-wqy-zenhei fonts-liberation2)
for name in "${needed[@]}"; do
  check "Depends names $name (Depends: $(field Depends))" grep -qx "$name" <<<"$depends"
done
if [ "$gui" = ON ]; then
  check "Recommends names xdg-utils (for the support page)" \
    grep -qx xdg-utils <<<"$(relation_names Recommends)"
fi

# --- maintainer script -------------------------------------------------------
dpkg-deb -e "$deb" "$tmp/control"
check "postinst is in the package" test -f "$tmp/control/postinst"
check "postinst is executable (0755)" test "$(stat -c %a "$tmp/control/postinst")" = 755
check "postinst is valid sh" sh -n "$tmp/control/postinst"

# --- file list, owners and modes ---------------------------------------------
dpkg-deb -c "$deb" >"$tmp/contents"
# Regular files only, as ./path
awk '$1 ~ /^-/ {print $NF}' "$tmp/contents" | sort >"$tmp/files"
{
  echo ./usr/bin/tr58kctl
  echo ./usr/lib/udev/rules.d/70-zemo-tr58k.rules
  echo ./usr/share/man/man1/tr58kctl.1.gz
  echo ./usr/bin/tr58k-hid-list
  echo ./usr/share/man/man1/tr58k-hid-list.1.gz
  echo ./usr/share/doc/tr58k/copyright
  echo ./usr/share/doc/tr58k/changelog.gz
  if [ "$gui" = ON ]; then
    echo ./usr/bin/tr58k-config
    echo ./usr/share/man/man1/tr58k-config.1.gz
    echo "./usr/share/applications/$app_id.desktop"
    echo "./usr/share/metainfo/$app_id.metainfo.xml"
    echo "./usr/share/icons/hicolor/scalable/apps/$app_id.svg"
    for size in $icon_sizes; do
      echo "./usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png"
    done
  fi
} | sort >"$tmp/expected"
missing=$(comm -23 "$tmp/expected" "$tmp/files")
extra=$(comm -13 "$tmp/expected" "$tmp/files")
check "no expected file is missing: ${missing//$'\n'/ }" test -z "$missing"
check "no unexpected file is packaged: ${extra//$'\n'/ }" test -z "$extra"

bad_owner=$(awk '$2 != "root/root" {print $NF}' "$tmp/contents")
check "every entry belongs to root/root: ${bad_owner//$'\n'/ }" test -z "$bad_owner"
bad_mode=$(awk '$1 ~ /^-/ {
    exe = ($NF ~ /^\.\/usr\/bin\//)
    if ((exe && $1 != "-rwxr-xr-x") || (!exe && $1 != "-rw-r--r--")) print $1, $NF
  }' "$tmp/contents")
check "programs are 0755 and data files 0644: ${bad_mode//$'\n'/ }" test -z "$bad_mode"

# --- Debian's own checker ----------------------------------------------------
# Every error and warning fails, except the tags a package built by cpack on
# a developer's machine cannot avoid, each named here with its reason.
# (Info and pedantic tags are not shown: lintian's default level.)
declare -A unavoidable=(
)
lintian --tag-display-limit 0 "$deb" >"$tmp/lintian.log" 2>&1
lintian_status=$?  # 2: it reported an error, which the list below shows
echo "lintian says:" >&2
sed 's/^/  /' "$tmp/lintian.log" >&2
check "lintian ran (status $lintian_status)" test "$lintian_status" -eq 0 -o "$lintian_status" -eq 2
lintian_bad=$(grep -E '^[EW]: ' "$tmp/lintian.log" | while read -r level package tag rest; do
  [ -n "${unavoidable[$tag]:-}" ] || echo "$level $tag $rest"
done)
check "lintian reports no error or warning but the unavoidable ones: ${lintian_bad//$'\n'/; }" \
  test -z "$lintian_bad"

# --- unpack into a scratch root and look at what arrived ---------------------
root="$tmp/root"
dpkg-deb -x "$deb" "$root"
share="$root/usr/share"

check "the packaged udev rule is the project's rule" \
  cmp -s "$root/usr/lib/udev/rules.d/70-zemo-tr58k.rules" \
         "$(dirname "$0")/../src/device/linux/70-zemo-tr58k.rules"

if command -v readelf >/dev/null 2>&1; then
  for prog in "$root"/usr/bin/*; do
    check "$(basename "$prog") is stripped of debug information" \
      bash -c '! readelf -S --wide "$1" | grep -q "\.debug_info"' _ "$prog"
  done
fi

# The man pages: compressed, groff finds nothing to warn about (-k: the
# pages are UTF-8, as man-db reads them), and each header names this version.
for page in "$share"/man/man1/*.1.gz; do
  name=$(basename "$page" .1.gz)
  check "the $name man page is a gzip stream" gzip -t "$page"
  if command -v groff >/dev/null 2>&1; then
    man_warnings=$(gzip -dc "$page" | LC_ALL=C.UTF-8 groff -k -man -Tutf8 -ww -z 2>&1)
    check "groff reads the $name man page without warnings: $man_warnings" test -z "$man_warnings"
  fi
  check "the $name man page's header names version $version" \
    bash -c 'gzip -dc "$1" | grep -q "^\.TH [^ ]* 1 .*\"tr58k $2\""' _ "$page" "$version"
done

# The copyright file in the machine-readable format, naming the holders and
# saying that no licence has been granted; the changelog's entry is this
# version's, compressed without a time stamp.
doc="$share/doc/tr58k"
check "the copyright file is machine-readable (Format: ...copyright-format/1.0/)" \
  grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/$' "$doc/copyright"
check "the copyright file names the tr58k developers" \
  grep -q '^Copyright: .*The tr58k developers$' "$doc/copyright"
check "the copyright file says that no licence has been granted" \
  grep -q 'No licence has been granted' "$doc/copyright"
check "changelog.gz begins with the entry of version $version" \
  bash -c 'gzip -dc "$1" | head -n 1 | grep -q "^tr58k ($2) "' _ "$doc/changelog.gz" "$version"
check "changelog.gz carries no file name or time stamp (gzip -n)" \
  test "$(od -An -tu1 -j3 -N5 "$doc/changelog.gz" | tr -s ' ')" = " 0 0 0 0 0"

# tr58kctl from the package, on the simulated mouse, with a scratch profile.
export XDG_CONFIG_HOME="$tmp/config"
ctl="$root/usr/bin/tr58kctl"
check "tr58kctl --version prints 'tr58kctl $version'" \
  test "$("$ctl" --version 2>/dev/null)" = "tr58kctl $version"
json=$("$ctl" --simulate show --json 2>"$tmp/ctl.err")
status=$?
check "tr58kctl --simulate show --json succeeds (status $status: $(cat "$tmp/ctl.err"))" \
  test "$status" -eq 0
for part in '"reportInterval":1' '"dpiLevelCount":4' '"wheelBacklight":1' \
            '"dpi":[[400,400],[800,800],[1600,1600],[3200,3200]]'; do
  check "the simulated mouse shows the factory setting $part" grep -qF "$part" <<<"$json"
done
check "tr58kctl show --help goes to standard output with status 0" \
  bash -c '"$1" show --help 2>/dev/null | grep -q "^Usage: tr58kctl"' _ "$ctl"
check "an unknown command is an error on standard error, status 2" \
  bash -c '"$1" no-such-command >"$2.out" 2>"$2.err"; [ $? -eq 2 ] && [ ! -s "$2.out" ] && [ -s "$2.err" ]' \
  _ "$ctl" "$tmp/unknown-command"

if [ "$gui" = ON ]; then
  desktop="$share/applications/$app_id.desktop"
  metainfo="$share/metainfo/$app_id.metainfo.xml"
  check "desktop-file-validate accepts the desktop entry" desktop-file-validate "$desktop"
  check "appstreamcli validate accepts the metainfo" \
    appstreamcli validate --no-net "$metainfo" >"$tmp/appstream.log"
  [ -s "$tmp/appstream.log" ] && grep -E '^[EW]:' "$tmp/appstream.log" >&2

  entry() { sed -n "s/^$1=//p" "$desktop" | head -n 1; }
  check "the desktop entry's Icon is the app id" test "$(entry Icon)" = "$app_id"
  check "the desktop entry is in Settings and HardwareSettings" \
    bash -c '[[ "$1" == *Settings\;* && "$1" == *HardwareSettings\;* ]]' _ "$(entry Categories)"
  check "the desktop entry has a Simplified Chinese name and comment" \
    bash -c 'grep -q "^Name\[zh_CN\]=" "$1" && grep -q "^Comment\[zh_CN\]=" "$1"' _ "$desktop"
  check "the metainfo's id is the app id" grep -q "<id>$app_id</id>" "$metainfo"
  check "the metainfo launches this desktop entry" \
    grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo"
  check "the metainfo's newest release is $version" \
    bash -c 'grep -o "<release version=\"[^\"]*\"" "$1" | head -n 1 | grep -qx "<release version=\"$2\""' \
    _ "$metainfo" "$version"

  # Each PNG is as large as its folder says (bytes 16..23 of a PNG: width, height).
  for size in $icon_sizes; do
    png="$share/icons/hicolor/${size}x${size}/apps/$app_id.png"
    [ -f "$png" ] || continue
    dims=$(od -An -tu1 -j16 -N8 "$png" | awk '{print $3*256+$4 "x" $7*256+$8}')
    check "icon ${size}x${size} is ${size}x${size} (got $dims)" test "$dims" = "${size}x${size}"
  done

  # The menu entry's command, its field codes dropped, run from the package
  # on a real X server: the window must come up and paint itself.
  read -r -a exec_words <<<"$(entry Exec | sed -E 's/ %[fFuUdDnNickvm]//g')"
  exec_prog="$root/usr/bin/$(basename "${exec_words[0]}")"
  check "the desktop entry's Exec names a packaged program (${exec_words[0]})" test -x "$exec_prog"
  check "the desktop entry's TryExec names the same program" test "$(entry TryExec)" = "${exec_words[0]}"
  if [ -x "$exec_prog" ]; then
    mkdir -p "$tmp/runtime" && chmod 700 "$tmp/runtime"
    shot="$tmp/menu-window.png"
    env -u QT_QPA_PLATFORM XDG_RUNTIME_DIR="$tmp/runtime" \
      timeout 120 xvfb-run -a -s "-screen 0 1024x768x24" \
      "$exec_prog" "${exec_words[@]:1}" --screenshot "$shot" >"$tmp/window.log" 2>&1
    status=$?
    check "the window started from the menu command exits cleanly (status $status: $(tail -n 3 "$tmp/window.log"))" \
      test "$status" -eq 0
    check "the window started from the menu command painted itself under Xvfb" test -s "$shot"
  fi
fi

echo "packaging: $((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
