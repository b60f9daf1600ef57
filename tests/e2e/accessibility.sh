#!/usr/bin/env bash
# Drives the real program through AT-SPI, as a Linux screen reader does:
# accessibility.sh FANBORD. A private display and a private D-Bus session,
# whose accessibility bus the session starts on first demand and ends with
# it; the client (accessibility.py) starts the program inside it.
set -euo pipefail
scenario=accessibility
here=$(dirname "$0")
source "$here/common.sh"

prog="$work/program"
mkdir -p "$prog"
cp "$1" "$prog/fanbord"
ceremony_pieces
piece Sverige.mid "G4A4B4c4d4e4f4g4" # four seconds: the bar has time to move
private_display

export SDL_AUDIODRIVER=dummy QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
# Debian's own Python, where python3-pyatspi lives, whatever else is first on the path.
dbus-run-session -- /usr/bin/python3 "$here/accessibility.py" "$prog/fanbord" 2>"$work/stderr" ||
  fail "the client failed"
