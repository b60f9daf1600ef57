#!/usr/bin/env bash
# Prints the program's figures on this machine. Not a test: nothing here fails
# on a slow figure. Run from the repository after a build (./run.sh or ./test.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-debian bench
build=${1:-build}
prog="$build/program"
anthem="$prog/Sverige.mid"
cmake --build "$build" --target engine_bench app_bench audio_thread_probe >/dev/null
pulse=tests/sound/pulse-session
plays=${FANBORD_BENCH_PLAYS:-10}

echo "== FluidSynth's own player on the same file (its reverb and chorus on, the engine's gain), for comparison"
sf=/usr/share/sounds/sf2/FluidR3_GM.sf2
fs_render=
if command -v fluidsynth >/dev/null && [[ -f $sf ]]; then
  fs_render=/tmp/fanbord-bench-fs.wav
  start=$(date +%s.%N)
  fluidsynth -ni -F "$fs_render" -r 44100 -g 0.3 "$sf" "$anthem" >/dev/null 2>&1
  end=$(date +%s.%N)
  bytes=$(stat -c %s "$fs_render"); length=$(( (bytes - 44) / 4 / 441 ))e-2
  awk -v s="$start" -v e="$end" -v l="$length" 'BEGIN { printf "fluidsynth -F: %.2f s for %.1f s of audio (%.1fx real time)\n", e - s, l, ((e - s) > 0 ? l / (e - s) : 0) }'
else
  echo "(fluidsynth or FluidR3_GM not installed)"
fi

echo "== audio engine, offline, on $anthem; the level and tail of FluidSynth's render beside it"
"$build/bench/engine_bench" "$anthem" /tmp/fanbord-bench.wav ${fs_render:+"$fs_render"}

echo "== soak: 10 000 replacements"
"$build/bench/engine_bench" --soak 10000 "$anthem"

echo "== the audio thread through a start, a replacement, a blocking sound, a stop and a start (FluidSynth, GM SoundFont)"
LD_PRELOAD="$(realpath "$build/bench/audio_thread_probe.so")" SDL_AUDIODRIVER=dummy "$build/bench/engine_bench" --audio-thread "$anthem"

echo "== on a private PulseAudio daemon, recorded from its null sink's monitor"
"$pulse" env SDL_AUDIODRIVER=pulseaudio "$build/bench/engine_bench" --latency "$anthem"
echo "dropouts in $plays plays with both cores busy (stress-ng --cpu 2):"
stress-ng --cpu 2 --quiet &
stress=$!
trap 'kill $stress 2>/dev/null || true' EXIT
"$pulse" env SDL_AUDIODRIVER=pulseaudio "$build/bench/engine_bench" --plays "$plays" "$anthem"
# paplay's own buffer is two seconds; at the engine's 93 ms it is a client like ours.
"$pulse" "$build/bench/engine_bench" --plays "$plays" "$anthem" --paplay
"$pulse" env PULSE_LATENCY_MSEC=93 "$build/bench/engine_bench" --plays "$plays" "$anthem" --paplay
kill $stress
wait $stress 2>/dev/null || true

echo "== the program on Qt (offscreen), with the real engine on a silent driver"
cp "$build/bench/app_bench" "$prog/app_bench"
SDL_AUDIODRIVER=dummy QT_QPA_PLATFORM=offscreen "$prog/app_bench" --startup
rm -f "$prog/app_bench"
SDL_AUDIODRIVER=dummy QT_QPA_PLATFORM=offscreen "$build/bench/app_bench" "$prog"
echo "== the same on the PulseAudio daemon"
"$pulse" env SDL_AUDIODRIVER=pulseaudio QT_QPA_PLATFORM=offscreen "$build/bench/app_bench" "$prog"

echo "== the Windows program under Wine"
if [[ -f build-windows/program/Fanbord.exe ]] && command -v wine >/dev/null; then
  cmake --build build-windows --target fanbord_bench >/dev/null
  bench/wine_bench.sh build-windows
else
  echo "(build-windows/program/Fanbord.exe or wine missing)"
fi
