#!/usr/bin/env bash
# The Windows board at the display's scale against the Qt board at the same
# device pixel ratio, both drawn from the same vector sources, in the state of
# tests/board_shot.h. Under wine-run (WINEPREFIX, DISPLAY):
#   board_scale.sh WINDOWS_BOARD_SHOT.exe QT_BOARD_SHOT
# At 96 dpi against Qt's ratio 1, at 192 against ratio 2, and moved from a
# monitor of 96 dpi to one of 192 against ratio 2, the boards match within the
# tolerance of compare_boards.py; the board of 96 dpi stretched to 192 does not.
set -euo pipefail
win_shot=$1 qt_shot=$2
here=$(dirname "$0")
source "$here/wine_dpi.sh"
work=$(mktemp -d)
trap 'restore_wine_dpi; rm -rf "$work"' EXIT
fail() { echo "board_scale: FAIL: $*" >&2; exit 1; }

for ratio in 1 2; do
  QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR=$ratio "$qt_shot" "$work/qt$ratio.ppm" || fail "no Qt board at ratio $ratio"
done
set_wine_dpi 96
wine "$win_shot" "$work/win96.ppm" || fail "no board at 96 dpi"
wine "$win_shot" "$work/moved.ppm" 192 || fail "no board moved to 192 dpi"
set_wine_dpi 192
wine "$win_shot" "$work/win192.ppm" || fail "no board at 192 dpi"
restore_wine_dpi

compare() { python3 "$here/compare_boards.py" "$@"; }
compare "$work/win96.ppm" "$work/qt1.ppm" 96 || fail "at 96 dpi"
compare "$work/win192.ppm" "$work/qt2.ppm" 192 || fail "at 192 dpi"
compare "$work/moved.ppm" "$work/qt2.ppm" 192 || fail "moved to a monitor of 192 dpi"
! compare --stretched "$work/win96.ppm" "$work/qt2.ppm" 192 || fail "the board of 96 dpi stretched passes for one of 192"
echo "board_scale: ok"
