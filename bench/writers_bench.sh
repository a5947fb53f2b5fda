#!/usr/bin/env bash
# Times the MIDI writer and both BASIC generators at 100,000 and 1,000,000
# notes, and `vltn midi` against csvmidi (Debian's midicsv package) writing
# the same notes from their CSV listing. Prints figures only; the targets are
# at most 0.5 s per writer for a million notes, linear growth, and faster
# than csvmidi.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build "$build" -j2 --target vltn_bench_writers vltn > /dev/null
bench="$build/bin/vltn_bench_writers"
vltn="$build/bin/vltn"
command -v csvmidi > /dev/null || { echo "csvmidi is missing (apt-get install midicsv)"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

small_out=$("$bench" 100000)
echo "$small_out" | grep -v '^RESULT'
echo
big_out=$("$bench" --omp "$work/song.omp" --csv "$work/song.csv" 1000000)
echo "$big_out" | grep -v '^RESULT'
echo
small=$(grep '^RESULT' <<< "$small_out")
big=$(grep '^RESULT' <<< "$big_out")

field() { sed -n "s/.* $2=\([0-9.]*\).*/\1/p" <<< "$1"; }
echo "growth from 100,000 to 1,000,000 notes (10.0 is linear):"
for w in midi_exp e500 g800; do
  awk -v a="$(field "$small" $w)" -v b="$(field "$big" $w)" -v w="$w" \
    'BEGIN { printf "  %-9s x%.1f\n", w, b / a }'
done
echo

# Best of three wall-clock runs of a whole command.
best_of_3() {
  local best=""
  for _ in 1 2 3; do
    local t0 t1
    t0=$(date +%s.%N)
    "$@" > /dev/null 2> "$work/stderr" || { echo "failed: $* ($(head -c 300 "$work/stderr"))" >&2; exit 1; }
    t1=$(date +%s.%N)
    best=$(awk -v b="$best" -v d="$(awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }')" \
      'BEGIN { if (b == "" || d < b) print d; else print b }')
  done
  echo "$best"
}

vltn_s=$(best_of_3 "$vltn" midi -o "$work/vltn.mid" "$work/song.omp")
csv_s=$(best_of_3 csvmidi "$work/song.csv" "$work/csvmidi.mid")
# The two files differ in running status only; their event listings must match.
if cmp -s <(midicsv "$work/vltn.mid") <(midicsv "$work/csvmidi.mid"); then same=yes; else same=NO; fi
echo "1,000,000 notes to a MIDI file, whole process, best of 3:"
awk -v v="$vltn_s" -v c="$csv_s" -v s="$same" 'BEGIN {
  printf "  vltn midi (from OMP data) %8.3f s\n", v
  printf "  csvmidi (from CSV)        %8.3f s\n", c
  printf "  csvmidi / vltn            %8.1f\n", c / v
  printf "  same events (midicsv)     %8s\n", s
}'
