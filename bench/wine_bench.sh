#!/usr/bin/env bash
# Figures for the Windows program under Wine; prints, judges nothing.
# First the program's own figures (Fanbord_bench.exe: CPU in waits, Sleep
# overshoot, input latency), then, measured from outside, the CPU share of the
# program together with its wineserver: in 2-second windows through the
# ceremony (the pause after the call to attention shows as the dip), then idle
# once the ceremony is over.
#   wine_bench.sh [BUILD-WINDOWS-DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build-windows}")
exe=$build/program/Fanbord.exe
run=tests/windows/wine-run
state=$(mktemp -d)
trap '"$run" "$state" cleanup >/dev/null 2>&1 || true; rm -rf "$state"' EXIT
"$run" "$state" setup >/dev/null
if [[ -f $build/bench/Fanbord_bench.exe ]]; then
  (WINE_RUN_TIMEOUT=100 "$run" "$state" run --display "$build/bench/Fanbord_bench.exe" \
    "Z:$(tr / '\\' <<<"$build/program")" | tr -d '\r') 2>/dev/null
fi
WINE_RUN_TIMEOUT=200 "$run" "$state" run --display "$exe" >/dev/null 2>&1 &

# CPU clock ticks of a process, its ended threads included.
cpu() { awk '{ print $14 + $15 }' /proc/"$1"/stat 2>/dev/null || echo 0; }
pid="" server=""
for _ in $(seq 200); do
  for p in $(pgrep -u "$(id -u)" -f 'Fanbord\.exe' || true); do
    grep -qs "$exe" "/proc/$p/cmdline" && [[ $(readlink "/proc/$p/exe") == *wine* ]] && pid=$p
  done
  [[ -n $pid ]] && break
  sleep 0.1
done
[[ -n $pid ]] || { echo "the program did not start under Wine"; exit 0; }
serverdir=$(printf '/tmp/.wine-%d/server-%x-%x' "$(id -u)" "$(stat -c %d "$state/prefix")" "$(stat -c %i "$state/prefix")")
for p in $(pgrep -u "$(id -u)" -x wineserver || true); do
  [[ $(readlink "/proc/$p/cwd") == "$serverdir" ]] && server=$p
done
both() {
  local s=0
  [[ -n $server ]] && s=$(cpu "$server")
  echo $(( $(cpu "$pid") + s ))
}
share() { awk -v a="$1" -v b="$2" -v s="$3" -v hz="$(getconf CLK_TCK)" 'BEGIN { printf "%.2f", (b - a) / hz / s * 100 }'; }

line="" last=$(both)
for _ in $(seq 15); do
  sleep 2
  now=$(both)
  line+=" $(share "$last" "$now" 2)"
  last=$now
done
echo "cpu through the ceremony, % of a core per 2 s:$line"
sleep $((110 - 30))
a=$(both)
sleep 20
echo "cpu when idle after the ceremony  $(share "$a" "$(both)" 20) % of a core"
