#!/usr/bin/env bash
# Builds the Windows installer, installs silently, starts the installed program
# and closes it, uninstalls silently and checks that nothing of it is left.
# Runs under Wine through wine-run (WINEPREFIX, DISPLAY):
#   installer_test.sh BUILD-DIR CLOSE_WINDOW
set -euo pipefail
build=$1 close_window=$2
e2e="$(dirname "$0")/../e2e/e2e.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "installer: FAIL: $*" >&2; exit 1; }
step() { echo "installer: $* (${SECONDS} s)"; }
c=$WINEPREFIX/drive_c
dir='C:\Fanbord' dir_unix=$c/Fanbord
menu="$c/ProgramData/Microsoft/Windows/Start Menu/Programs/Fanbord"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Fanbord'
vendor_key='HKLM\Software\Fanbord'
has_key() { wine reg query "$1" >/dev/null 2>&1; }
# Wine would mirror the Start-menu entries into this HOME's menus, which are not the installer's.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"

(cd "$build" && cpack -G NSIS -B "$work" >"$work/cpack.log") || { cat "$work/cpack.log" >&2; fail "cpack"; }
installer=$(find "$work" -maxdepth 1 -name 'Fanbord-*-win64.exe')
[[ -n "$installer" ]] || fail "no Fanbord-<version>-win64.exe"
step "built"

wine "$installer" /S "/D=$dir" || fail "the installer ended with status $?"
[[ -f "$dir_unix/Fanbord.exe" && -f "$dir_unix/Uninstall.exe" ]] || fail "no Fanbord.exe and Uninstall.exe in $dir"
count=$(find "$dir_unix" -type f | wc -l)
[[ $count == 37 ]] || fail "$count files installed, not the program, its 35 media files and the uninstaller"
[[ -f "$menu/Fanbord.lnk" ]] || fail "no Start-menu entry for all users"
wine reg query "$uninstall_key" /v UninstallString 2>/dev/null | grep -qF "$dir\\Uninstall.exe" ||
  fail "no uninstall entry in the machine's list of programs"
step "installed"

strings "$menu/Fanbord.lnk" | grep -qxF "$dir\Fanbord.exe" || fail "the Start-menu entry does not start $dir\Fanbord.exe"

# Started from elsewhere, it finds its media beside itself.
"$e2e" installed "$dir_unix/Fanbord.exe" "$close_window" || fail "the installed program"
step "started and closed"

# The uninstaller runs from a copy of itself and returns at once: wait until
# everything is gone, or say what is left.
wine "$dir_unix/Uninstall.exe" /S || fail "the uninstaller ended with status $?"
left() { # the uninstaller's own copy in Temp goes at the next restart
  local files
  files=$(find "$c" -iname '*fanbord*' ! -path '*/Temp/*')
  if [[ -n "$files" ]]; then
    echo "$files"
  elif has_key "$uninstall_key"; then
    echo "the uninstall entry"
  elif has_key "$vendor_key"; then
    echo "$vendor_key"
  fi
}
end=$((SECONDS + 20))
while what=$(left) && [[ -n "$what" ]] && ((SECONDS < end)); do
  sleep 0.2
done
[[ -z "$what" ]] || fail "left after uninstalling: $what"
echo "installer: ok"
