#!/usr/bin/env bash
# Compile benchmark: `vltn compile` (read, decode, compile, format) on
# generated H-MML files of 100,000 and 1,000,000 lines, against
# `iconv -f CP932 -t UTF-8` reading the same file. Each command runs 7 times
# (after one run not counted), the two in turn; the figures are medians of
# CPU time (user + system) and wall time, the ratios the medians of each
# pair's. Target: on 1,000,000 lines vltn compile takes at most 3 x iconv's
# time, in both.
# Usage: bench/compile_bench.sh [BUILD_DIR]   (default: build)
set -euo pipefail
export LC_ALL=C # a point before the decimals of the clock and of `times`
cd "$(dirname "$0")/.."
build=${1:-build}
vltn="$build/bin/vltn"
gen="$build/bin/vltn_gen_hmml"
runs=7
target=3
for tool in iconv /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing: $tool (run scripts/install-deps.sh)"; exit 1; }
done
[ -x "$vltn" ] && [ -x "$gen" ] || { echo "build first: cmake --build $build"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One run of a command, its output thrown away: "WALL CPU" in seconds. The
# wall time is taken around the command alone; the CPU time is what the
# shell's `times` counts for its children (user + system, to the ms).
measure() {
  (
    start=$EPOCHREALTIME
    "$@" > /dev/null
    end=$EPOCHREALTIME
    times > "$work/times" # a builtin: no subshell of its own, whose children would be none
    tail -n 1 "$work/times" | awk -v s="$start" -v e="$end" '{
      split($1, u, /[ms]/); split($2, y, /[ms]/)
      printf "%.6f %.6f\n", e - s, u[1] * 60 + u[2] + y[1] * 60 + y[2] }'
  )
}

median() {
  sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# What the program takes before any song: its shared libraries (Qt, and
# FluidSynth's for play and wav) dominate small runs.
printf 'C-TEMPO:120\n' > "$work/tiny.hml"
idle=$(/usr/bin/time -f %M "$vltn" compile "$work/tiny.hml" 2>&1 >/dev/null | tail -n 1)
printf 'vltn compile on a one-line song: peak memory %.1f MB\n' "$(awk -v r="$idle" 'BEGIN { print r / 1024 }')"

declare -A cpu
for lines in 100000 1000000; do
  file="$work/song-$lines.hml"
  "$gen" "$lines" > "$file"
  size=$(stat -c %s "$file")
  : > "$work/runs"
  for run in $(seq 0 "$runs"); do
    v=$(measure "$vltn" compile --separator / --interval 10 "$file")
    i=$(measure iconv -f CP932 -t UTF-8 "$file")
    [ "$run" -gt 0 ] && echo "$v $i" >> "$work/runs" # the first pair warms the caches
  done
  # Each column's median; the ratios are the medians of each pair's, which
  # a machine whose speed drifts during the runs moves least.
  vw=$(awk '{ print $1 }' "$work/runs" | median); vc=$(awk '{ print $2 }' "$work/runs" | median)
  iw=$(awk '{ print $3 }' "$work/runs" | median); ic=$(awk '{ print $4 }' "$work/runs" | median)
  rw=$(awk '{ print $1 / $3 }' "$work/runs" | median); rc=$(awk '{ print $2 / $4 }' "$work/runs" | median)
  rss=$(/usr/bin/time -f %M "$vltn" compile --separator / --interval 10 "$file" 2>&1 >/dev/null | tail -n 1)
  cpu[$lines]=$vc
  awk -v l="$lines" -v s="$size" -v vw="$vw" -v vc="$vc" -v iw="$iw" -v ic="$ic" -v rw="$rw" -v rc="$rc" \
      -v r="$rss" -v idle="$idle" -v t="$target" 'BEGIN {
    printf "%8d lines, %6.2f MB: vltn compile %.3f s CPU, %.3f s wall; iconv %.3f s CPU, %.3f s wall\n", l, s / 1e6, vc, vw, ic, iw
    printf "%8s ratio %.2f x CPU, %.2f x wall", "", rc, rw
    if (l == 1000000)
      printf " (target: at most %d x: %s)", t, (rc <= t && rw <= t) ? "met" : "NOT met"
    printf "; peak memory %.1f MB (%.1f x file size; %.1f MB above the one-line song)\n", r / 1024, r * 1024 / s, (r - idle) / 1024 }'
done
awk -v a="${cpu[100000]}" -v b="${cpu[1000000]}" 'BEGIN {
  printf "growth: 10 x the lines takes %.1f x the CPU time\n", b / a }'
