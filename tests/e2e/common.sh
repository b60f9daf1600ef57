# What the end-to-end scripts share; sourced after they set `scenario`.
# A scratch folder that goes when the script ends, with whatever it started;
# a failure that shows what the screen showed; short pieces of music; a
# private X server, and the X helpers of display.sh.
source "$(dirname "${BASH_SOURCE[0]}")/display.sh"

work=$(mktemp -d)
app_pid=""
cleanup() {
  # A program that hangs must go too.
  [[ -n "$app_pid" ]] && kill -KILL "$app_pid" 2>/dev/null || true
  stop_display
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "e2e $scenario: FAIL: $*" >&2
  # What the screen showed, for whoever reads the failure.
  [[ -n "${DISPLAY:-}" ]] && import -window root "${TMPDIR:-/tmp}/fanbord-e2e-$scenario.png" 2>/dev/null &&
    echo "  screen: ${TMPDIR:-/tmp}/fanbord-e2e-$scenario.png" >&2
  [[ -f "$work/stderr" ]] && sed 's/^/  stderr: /' "$work/stderr" >&2; exit 1; }

piece() { # name, notes: about half a second at this tempo; into the folder $prog
  printf 'X:1\nT:test\nM:4/4\nL:1/8\nQ:1/4=240\nK:C\n%s|]\n' "$2" > "$work/piece.abc"
  abc2midi "$work/piece.abc" -o "$prog/$1" -silent >/dev/null
}
ceremony_pieces() {
  piece GivAkt.Mid "CEGc"
  piece Paradmarsch.Mid "cGEC"
  piece I3Ik.Mid "EGce"
}

# A private display, so tests can run side by side.
private_display() { start_display "$work" 800x600x24 || fail "no display"; }
