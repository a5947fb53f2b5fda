#!/usr/bin/env bash
# Compile benchmark: `vltn compile` (read, decode, compile, format) on
# generated H-MML files of 100,000 and 1,000,000 lines, against
# `iconv -f CP932 -t UTF-8` reading the same file.
# Usage: bench/compile_bench.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
vltn="$build/bin/vltn"
gen="$build/bin/vltn_gen_hmml"
for tool in hyperfine iconv /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing: $tool (run scripts/install-deps.sh)"; exit 1; }
done
[ -x "$vltn" ] && [ -x "$gen" ] || { echo "build first: cmake --build $build"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# What the program takes before any song: its shared libraries (Qt, and
# FluidSynth's for play and wav) dominate small runs.
printf 'C-TEMPO:120\n' > "$work/tiny.hml"
idle=$(/usr/bin/time -f %M "$vltn" compile "$work/tiny.hml" 2>&1 >/dev/null | tail -n 1)
printf 'vltn compile on a one-line song: peak memory %.1f MB\n' "$(awk -v r="$idle" 'BEGIN { print r / 1024 }')"

declare -A mean
for lines in 100000 1000000; do
  file="$work/song-$lines.hml"
  "$gen" "$lines" > "$file"
  size=$(stat -c %s "$file")
  hyperfine --warmup 1 --runs 5 --export-json "$work/h-$lines.json" \
    -n vltn "$vltn compile --separator / --interval 10 $file > /dev/null" \
    -n iconv "iconv -f CP932 -t UTF-8 $file > /dev/null" > "$work/h-$lines.txt" 2>&1
  v=$(sed -n 's/.*"mean": \([0-9.e-]*\).*/\1/p' "$work/h-$lines.json" | sed -n 1p)
  i=$(sed -n 's/.*"mean": \([0-9.e-]*\).*/\1/p' "$work/h-$lines.json" | sed -n 2p)
  rss=$(/usr/bin/time -f %M "$vltn" compile --separator / --interval 10 "$file" 2>&1 >/dev/null | tail -n 1)
  mean[$lines]=$v
  awk -v l="$lines" -v s="$size" -v v="$v" -v i="$i" -v r="$rss" -v idle="$idle" 'BEGIN {
    printf "%8d lines, %6.2f MB: vltn compile %.3f s, iconv %.3f s, ratio %.1f x; peak memory %.1f MB (%.1f x file size; %.1f MB above the one-line song)\n",
      l, s / 1e6, v, i, v / i, r / 1024, r * 1024 / s, (r - idle) / 1024 }'
done
awk -v a="${mean[100000]}" -v b="${mean[1000000]}" 'BEGIN {
  printf "growth: 10 x the lines takes %.1f x the time\n", b / a }'
