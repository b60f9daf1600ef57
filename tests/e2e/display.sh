# Sourced by common.sh, or by a script that needs only these: a private X
# server, and a program's window found by its process and its size.
#   start_display DIR [SCREEN]   starts Xvfb (SCREEN e.g. 800x600x24) on a free
#                                display, exports DISPLAY once the server answers
#   stop_display                 ends that server and waits until it has gone
#   wait_display [SECONDS]       waits until the server on DISPLAY answers
#   find_window PID W H [SECONDS]
#                                prints the id of a window W x H pixels of PID's
#                                process, or of one it started (for a program run
#                                through a launcher)
#   wait_for SECONDS COMMAND...  runs COMMAND until it succeeds, for at most SECONDS
# Each returns non-zero when its deadline passes; the first four say why on stderr.

display_pid=""

start_display() {
  local dir=$1 screen=${2:-800x600x24} number=""
  rm -f "$dir/displayfd"
  mkfifo "$dir/displayfd"
  # The server writes its display number once it listens, or closes the pipe
  # when it fails, so the read ends at once either way. Without -noreset it
  # resets whenever its last client leaves and refuses whoever comes next.
  Xvfb -displayfd 3 -noreset -screen 0 "$screen" -nolisten tcp 3>"$dir/displayfd" </dev/null >"$dir/xvfb.log" 2>&1 &
  display_pid=$!
  read -r -t 60 number <"$dir/displayfd" || true
  if [[ ! "$number" =~ ^[0-9]+$ ]]; then
    echo "no X server: $(cat "$dir/xvfb.log")" >&2
    return 1
  fi
  export DISPLAY=":$number"
  wait_display
}

stop_display() {
  [[ -n "$display_pid" ]] || return 0
  kill "$display_pid" 2>/dev/null || true
  # Gone before the next server may take the same number.
  wait "$display_pid" 2>/dev/null || true
  display_pid=""
}

wait_for() {
  local end=$((SECONDS + $1))
  shift
  until "$@"; do
    ((SECONDS < end)) || return 1
    sleep 0.1
  done
}

wait_display() {
  wait_for "${1:-60}" xdotool getdisplaygeometry >/dev/null 2>&1 ||
    { echo "the X server on $DISPLAY does not answer" >&2; return 1; }
}

# PID and every process below it, one a line.
process_tree() {
  ps -e -o pid=,ppid= | awk -v root="$1" '
    { parent[$1] = $2 }
    END {
      for (p in parent) {
        for (q = p; q != "" && q != root; q = parent[q]) {}
        if (q == root) print p
      }
    }'
}

find_window() {
  local pid=$1 width=$2 height=$3 end=$((SECONDS + ${4:-60})) p id
  local WINDOW X Y WIDTH HEIGHT SCREEN
  while ((SECONDS < end)); do
    for p in $(process_tree "$pid"); do
      for id in $(xdotool search --onlyvisible --pid "$p" 2>/dev/null); do
        WIDTH="" HEIGHT=""
        eval "$(xdotool getwindowgeometry --shell "$id" 2>/dev/null)"
        if [[ "$WIDTH" == "$width" && "$HEIGHT" == "$height" ]]; then
          echo "$id"
          return 0
        fi
      done
    done
    kill -0 "$pid" 2>/dev/null || { echo "the program ended before it showed its window" >&2; return 1; }
    sleep 0.1
  done
  echo "no window of ${width}x$height pixels" >&2
  return 1
}
