#!/usr/bin/env bash
# Installs the build into a scratch prefix (or makes the .deb, checks it with
# lintian and unpacks it), checks the desktop files and the manual page, and
# starts the installed program through its bin/ link:
#   install_test.sh install BUILD-DIR | deb BUILD-DIR
set -euo pipefail
mode=$1 build=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "install $mode: FAIL: $*" >&2; exit 1; }

if [[ $mode == install ]]; then
  cmake --install "$build" --prefix "$work/root/usr" >/dev/null
else
  (cd "$build" && cpack -G DEB -B "$work/deb" >"$work/cpack.log" 2>&1) || fail "cpack: $(cat "$work/cpack.log")"
  deb=$(ls "$work"/deb/*.deb)
  info=$(dpkg-deb -I "$deb")
  grep -q 'Depends:.*libfluidsynth' <<<"$info" || fail "no dependency on FluidSynth"
  # Debian's package checker: no error and no warning.
  lintian --fail-on error,warning "$deb" >"$work/lintian" 2>&1 || fail "lintian: $(grep -v root "$work/lintian")"
  dpkg -x "$deb" "$work/root"
fi
root="$work/root/usr"
[[ -L "$root/bin/fanbord" ]] || fail "no bin/fanbord link"
[[ -x "$root/lib/fanbord/fanbord" ]] || fail "no program"
count=$(find "$root/lib/fanbord" -maxdepth 1 -type f ! -name fanbord | wc -l)
[[ $count == 35 ]] || fail "$count media files beside the program, not 35"
[[ -f "$root/share/icons/hicolor/32x32/apps/se.fanbord.Fanbord.png" ]] || fail "no 32 px icon"
[[ -f "$root/share/icons/hicolor/scalable/apps/se.fanbord.Fanbord.svg" ]] || fail "no scalable icon"
[[ -f "$root/share/man/man1/fanbord.1.gz" ]] || fail "no manual page"
desktop-file-validate "$root/share/applications/se.fanbord.Fanbord.desktop" || fail "desktop file"
appstreamcli validate --no-net --pedantic "$root/share/metainfo/se.fanbord.Fanbord.metainfo.xml" >/dev/null ||
  appstreamcli validate --no-net "$root/share/metainfo/se.fanbord.Fanbord.metainfo.xml" || fail "metainfo"

# Started through the link, it must find its media in its real folder: a
# missing call to attention would end it at once with a message.
"$(dirname "$0")/../e2e/e2e.sh" installed "$root/bin/fanbord" "$build/tests/e2e/close_window" ||
  fail "the installed program"
echo "install $mode: ok"
