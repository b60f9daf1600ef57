#!/usr/bin/env bash
# Drives the real program as a person would, on a private X server, with
# short media of its own: e2e.sh SCENARIO FANBORD CLOSE_WINDOW [CLOSE_ABOUT]
#   normal        the ceremony runs, the controls appear, tile 22 hoists the framed
#                 Swedish flag, Sluta ends the program with status 0
#   missing       a missing anthem ends the program when its tile is clicked
#   close         the system closing the window once the ceremony has begun ends it at once
#   about         closing the window while the about box is open ends the program
#   signal        (Linux) SIGTERM ends the program as closing its window does: during
#                 the ceremony, and again, started anew, while the about box is open
#   names         (Windows) the anthem of Österrike plays; the about box opens over
#                 the drum roll, is modal, and closes with OK; Sluta still ends it
#   installed     as close, for the program where it is installed, with its own media
# A FANBORD ending in .exe is the Windows program, run under Wine in the
# environment and on the display the caller set up (WINEPREFIX and friends;
# Wine's desktop is bound to one display); its tests must not run side by side.
# E2E_DPI runs it on a display of that dpi: the window, and every place on the
# board the script looks at or clicks, scaled from the board's 96 dpi.
set -euo pipefail
scenario=$1 exe=$2 close_window=$3 close_about=${4:-}
source "$(dirname "$0")/common.sh"
dpi=${E2E_DPI:-96}
at() { echo $((($1 * dpi + 48) / 96)); } # a board coordinate on the display

# On Linux a backslash is an ordinary character of a folder name.
prog="$work/program"
[[ "$exe" == *.exe ]] || prog="$work/Fan\\bord"
mkdir -p "$prog"
launch=("$prog/fanbord")
if [[ "$exe" == *.exe ]]; then
  [[ -d "${WINEPREFIX:-}" && -n "${DISPLAY:-}" ]] || fail "no Wine prefix or display"
  # In a session of its own: a signal Wine sends to a process group when the
  # program ends must not reach this script.
  launch=(setsid wine "$prog/Fanbord.exe")
  cp "$exe" "$prog/Fanbord.exe"
  if [[ -n ${E2E_DPI:-} ]]; then
    source "$(dirname "$0")/../windows/wine_dpi.sh"
    trap 'restore_wine_dpi; cleanup' EXIT
    set_wine_dpi "$dpi"
  fi
else
  [[ -z ${E2E_DPI:-} ]] || fail "E2E_DPI is for the Windows program"
  cp "$exe" "$prog/fanbord"
fi
ceremony_pieces
[[ "$scenario" == missing ]] || piece Sverige.mid "GABcdefg"
if [[ "$scenario" == names ]]; then
  piece "Österrike.MID" "GABcdefgfedcBAG"
fi
if [[ "$scenario" == names || "$scenario" == about || "$scenario" == signal ]]; then
  cp "$(dirname "$exe")/En_virvel_för_Tolvander.Wav" "$prog/"
fi
# No BLIP.Wav: the press feedback falls back to the built-in tone.
if [[ "$scenario" == installed ]]; then
  launch=("$exe")
  [[ "$exe" == *.exe ]] && launch=(setsid wine "$exe")
fi

# Wine's display is the caller's.
if [[ "$exe" == *.exe ]]; then
  wait_display || fail "no display"
else
  private_display
fi
read -r screen_w screen_h <<<"$(xdotool getdisplaygeometry)"
width=$(at 566) height=$(at 420)
centre_x=$(((screen_w - width) / 2)) centre_y=$(((screen_h - height) / 2))

export SDL_AUDIODRIVER=dummy QT_QPA_PLATFORM=xcb
# It may be shown before it is placed. Sets X and Y, which the steps below go by.
centred() { eval "$(xdotool getwindowgeometry --shell "$window")" && [[ "$X,$Y" == "$centre_x,$centre_y" ]]; }
start_program() { # sets app_pid and window
  "${launch[@]}" 2>"$work/stderr" &
  app_pid=$!
  window=$(find_window "$app_pid" "$width" "$height") || fail "no window"
  wait_for 10 centred || fail "window not centred: at $X,$Y"
}
start_program

rgb() { # board x y → "r g b"
  import -window root -crop "1x1+$((X + $(at $1)))+$((Y + $(at $2)))" -depth 8 txt:- 2>/dev/null |
    sed -n 's/.*(\([0-9.]*\),\([0-9.]*\),\([0-9.]*\).*/\1 \2 \3/p' | head -1 | awk '{printf "%d %d %d", $1, $2, $3}'
}
click() { xdotool mousemove $((X + $(at $1))) $((Y + $(at $2))) click 1; } # at board x y
caption_shown() { # some red text in the first caption line
  import -window root -crop "$(at 136)x$(at 14)+$((X + $(at 424)))+$((Y + $(at 376)))" -depth 8 txt:- 2>/dev/null |
    awk -F'[(),]' '/^[0-9]/ { if ($3 > 150 && $4 < 120 && $5 < 120) n++ } END { exit !(n > 3) }'
}
caption_gone() { ! caption_shown; }
app_ended() { ! kill -0 "$app_pid" 2>/dev/null; }
alive() { kill -0 "$app_pid" 2>/dev/null || fail "the program ended"; }
wait_exit() { # sets $status, or fails
  wait_for 30 app_ended || fail "the program did not end"
  status=0
  wait "$app_pid" || status=$?
  app_pid=""
}
# As a window manager closes it, or as a session that ends asks it to.
end_program() {
  if [[ "$scenario" == signal ]]; then
    kill -TERM "$app_pid"
  else
    "$close_window" "$window"
  fi
}

if [[ "$scenario" == close || "$scenario" == installed || "$scenario" == signal ]]; then
  # The call to attention's caption is painted once its piece has started; a
  # piece that cannot play ends the program first.
  started() { caption_shown || app_ended; }
  wait_for 60 started || fail "no caption: the ceremony did not begin"
  ! grep -q 'cannot play' "$work/stderr" || fail "a piece did not play"
  alive
  end_program
  wait_exit
  [[ "$status" == 0 ]] || fail "exit status $status"
  ! grep -q 'cannot play' "$work/stderr" || fail "a piece did not play"
  if [[ "$scenario" != signal ]]; then
    echo "e2e $scenario: ok"
    exit 0
  fi
  start_program
fi

# The door on the Sluta button shows when the controls appear after the ceremony.
controls_shown() {
  local r g b
  read -r r g b <<<"$(rgb 359 391)"
  ((r > 150 && g > 100 && g < 180 && b < 100))
}
wait_for 60 controls_shown || fail "the controls never appeared"

open_about() { # presses Info and waits for the box
  click $((280 + 31)) $((376 + 15))
  wait_for 30 about_open || fail "no about box"
}
about_open() { xdotool search --onlyvisible --name 'Information om detta flaggprogram' >/dev/null 2>&1; }
about_closed() { ! about_open; }
if [[ "$scenario" == names ]]; then
  click $((408 + 38)) $((272 + 25)) # Österrike
  wait_for 30 caption_shown || fail "no caption for Österrike"
  alive
  ! grep -q 'cannot play' "$work/stderr" || fail "the anthem of Österrike did not play"
  open_about
  alive
  click $((352 + 31)) $((376 + 15)) # Sluta, while the box is open: it is modal
  sleep 1
  alive
  wine "$close_about" || fail "could not press OK in the about box"
  wait_for 30 about_closed || fail "the about box stayed open"
  wait_for 10 caption_gone || fail "the captions were not emptied when the about box closed"
  click $((352 + 31)) $((376 + 15))
  wait_exit
  [[ "$status" == 0 ]] || fail "exit status $status"
  echo "e2e names: ok"
  exit 0
fi

if [[ "$scenario" == about || "$scenario" == signal ]]; then
  open_about
  end_program
  wait_exit
  [[ "$status" == 0 ]] || fail "exit status $status"
  echo "e2e $scenario: ok"
  exit 0
fi

click $((328 + 38)) $((206 + 25))
if [[ "$scenario" == missing ]]; then
  wait_exit
  [[ "$status" == 0 ]] || fail "exit status $status"
  grep -q 'Sverige.mid' "$work/stderr" || fail "stderr does not name the missing file"
  echo "e2e missing: ok"
  exit 0
fi

# The short march leaves the hoist running, so the flag may already be on its
# way up again: find its frame anywhere along the pole. The board repaints once
# the anthem has started, which takes a while under Wine.
flag_on_pole() {
  local found
  import -window root -crop "$(at 40)x$(at 230)+$((X + $(at 505)))+$((Y + $(at 100)))" -depth 8 txt:- 2>/dev/null |
    sed -n 's/^\([0-9]*\),\([0-9]*\): (\([0-9.]*\),\([0-9.]*\),\([0-9.]*\).*/\1 \2 \3 \4 \5/p' >"$work/pole.txt"
  found=$(awk -v dpi="$dpi" '
    function at(x, y) { return (int(((505 + x) * dpi + 48) / 96) - int((505 * dpi + 48) / 96)) "," \
                               (int(((100 + y) * dpi + 48) / 96) - int((100 * dpi + 48) / 96)) }
    { r[$1","$2] = $3; g[$1","$2] = $4; b[$1","$2] = $5 }
    END {
      for (y = 0; y < 212; y++) for (x = 2; x <= 3; x++) {
        f = at(x, y); bl = at(x + 5, y + 4); ye = at(x + 12, y + 9)
        if (r[f] + g[f] + b[f] < 180 && b[bl] > 120 && r[bl] < 60 && r[ye] > 180 && g[ye] > 150 && b[ye] < 80) { print y + 100; exit }
      }
    }' "$work/pole.txt")
  [[ -n "$found" ]]
}
wait_for 30 flag_on_pole || fail "no framed Swedish flag on the pole"

click $((352 + 31)) $((376 + 15))
wait_exit
[[ "$status" == 0 ]] || fail "exit status $status"
echo "e2e normal: ok"
