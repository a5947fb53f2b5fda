#!/usr/bin/env bash
# Import benchmark: `vltn import` (read, take the melody, fit the lengths,
# write the H-MML file) on generated MIDI files of 10,000 and 90,000 notes,
# the most that stay under the song's limit of 100,000 lines with their
# rests. Prints time and peak memory beside the file's size.
# Targets: at most 0.2 s and 32 MB of memory for 90,000 notes (some 11 MB
# of that is the program itself, which is most of it for 10,000 notes).
# Usage: bench/import_bench.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake --build "$build" -j2 --target vltn vltn_gen_midi > /dev/null
vltn="$build/bin/vltn"
gen="$build/bin/vltn_gen_midi"
for tool in hyperfine /usr/bin/time; do
  command -v "$tool" > /dev/null || { echo "missing: $tool (run scripts/install-deps.sh)"; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# vltn_gen_midi writes four events a second, one in 17 a rest: 23,906
# seconds make 90,000 notes.
declare -A mean
for notes in 10000 90000; do
  seconds=$(( notes * 17 / 16 / 4 ))
  "$gen" "$seconds" > "$work/song-$notes.mid"
  size=$(stat -c %s "$work/song-$notes.mid")
  hyperfine --warmup 1 --runs 5 --export-json "$work/h-$notes.json" \
    -n import "$vltn import -o $work/out.hml $work/song-$notes.mid" > /dev/null 2>&1
  t=$(sed -n 's/.*"mean": \([0-9.e-]*\).*/\1/p' "$work/h-$notes.json" | sed -n 1p)
  rss=$(/usr/bin/time -f %M "$vltn" import -o "$work/out.hml" "$work/song-$notes.mid" 2>&1 >/dev/null | tail -n 1)
  written=$(grep -c '' "$work/out.hml")
  mean[$notes]=$t
  awk -v n="$notes" -v s="$size" -v t="$t" -v r="$rss" -v l="$written" 'BEGIN {
    printf "%8d notes, MIDI file %6.2f MB: vltn import %.3f s; peak memory %.1f MB (%.1f x the file); %d lines of H-MML\n",
      n, s / 1e6, t, r / 1024, r * 1024 / s, l }'
done
awk -v a="${mean[10000]}" -v b="${mean[90000]}" 'BEGIN {
  printf "growth: 9 x the notes takes %.1f x the time\n", b / a }'
"$vltn" import -o "$work/out.hml" "$work/song-90000.mid" 2>&1 | sed 's/^/report: /'
