#!/usr/bin/env bash
# The pocket computer's voice: how fast `vltn wav --machine` renders a song
# of 10,000 notes against the song's own length, and how long the sample
# player takes from play() to the first sample handed to the audio driver
# (vltn_bench_pcm_latency). Run after building:
#   bash bench/machine_voice_bench.sh [BUILD_DIR] [NOTES]
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build}
notes=${2:-10000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A song as such songs go: eighth to half notes at TEMPO 480 (eight units a
# second), over octaves 1 to 4, one rest in eight.
awk -v n="$notes" 'BEGIN {
  split("C C# D D# E F F# G G# A A# B", name, " ")
  seed = 12345
  printf "C-TITLE:Benchmark\r\nC-TEMPO:480\r\n"
  for (i = 0; i < n; i++) {
    seed = (seed * 1103515245 + 12345) % 2147483648
    r = int(seed / 65536)
    if (r % 8 == 0) printf "%d *\r\n", 1 + r % 4
    else printf "%d %s %d\r\n", 1 + int(r / 4) % 4, name[1 + int(r / 16) % 12], 1 + int(r / 256) % 4
  }
}' > "$work/song.hml"

seconds() { # COMMAND...: runs it, prints how long it took
  local start end
  start=$(date +%s.%N)
  "$@"
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }'
}

# More notes than a BEEP program holds (6525): the voice plays them all, as
# if the program had room, and says so once a run; those lines are left out.
echo "vltn wav --machine, $notes notes (to a file, then to /dev/null, which takes the bytes at once)"
printf "%-10s %10s %12s %8s %12s %8s\n" "" "song (s)" "file (s)" "x real" "null (s)" "x real"
for run in "e500 beep" "e500 omp" "g800 beep" "g800 omp"; do
  set -- $run
  file=$(seconds "$build/bin/vltn" wav --machine "$1" --program "$2" -o "$work/song.wav" "$work/song.hml" 2>/dev/null)
  bytes=$(stat -c %s "$work/song.wav")
  rm -f "$work/song.wav"
  null=$(seconds "$build/bin/vltn" wav --machine "$1" --program "$2" -o /dev/null "$work/song.hml" 2>/dev/null)
  awk -v what="$1 $2" -v b="$bytes" -v f="$file" -v n="$null" 'BEGIN {
    s = (b - 44) / 4 / 44100
    printf "%-10s %10.1f %12.2f %8.0f %12.2f %8.0f   (WAV %d MB)\n", what, s, f, s / f, n, s / n, b / 1e6
  }'
done
echo

# Without a sound card, FluidSynth's ALSA driver writes into ALSA's null
# device, which takes every block at once: the figures are then the player's
# own share of the latency, without the card's period.
if [ ! -d /dev/snd ] && [ -z "${PULSE_SERVER:-}" ]; then
  printf 'pcm.!default { type null }\n' > "$work/.asoundrc"
  echo "No sound card here: the system driver writes into ALSA's null device."
  HOME=$work "$build/bin/vltn_bench_pcm_latency"
else
  "$build/bin/vltn_bench_pcm_latency"
fi
