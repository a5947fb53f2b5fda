#!/usr/bin/env bash
# Renders a long song to a WAV file with `vltn wav` and prints how long the
# render took against how long the song lasts. Run after building:
#   bash bench/wav_bench.sh [BUILD_DIR] [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build}
seconds=${2:-600}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$build/bin/vltn_gen_midi" "$seconds" > "$work/long.mid"
start=$(date +%s.%N)
"$build/bin/vltn" wav -o "$work/long.wav" "$work/long.mid"
end=$(date +%s.%N)

bytes=$(stat -c %s "$work/long.wav")
awk -v s="$seconds" -v t0="$start" -v t1="$end" -v b="$bytes" 'BEGIN {
  t = t1 - t0
  printf "song length:   %8.1f s (%d notes)\n", s, s * 4
  printf "render time:   %8.2f s (SoundFont load included)\n", t
  printf "speed:         %8.1f x real time\n", s / t
  printf "WAV size:      %8.1f MB\n", b / 1e6
}'
