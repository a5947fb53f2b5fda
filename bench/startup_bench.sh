#!/usr/bin/env bash
# Start-up benchmark: time from starting `vellotune` with a 10,000-line H-MML
# file on its command line to its window being shown, under Xvfb; then the
# main window with long songs (vltn_bench_window): 1,000,000 characters of
# OMP data, and MIDI imports of 90,000 and 300,000 notes.
# Usage: bench/startup_bench.sh [BUILD_DIR] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-10}
app="$build/bin/vellotune"
gen="$build/bin/vltn_gen_hmml"
[ -x "$app" ] && [ -x "$gen" ] || { echo "build first: cmake --build $build"; exit 1; }
# The caption carries the version the build was configured with.
caption="Vellotune Version$("$app" --version | sed 's/^vellotune //')"

if [ -z "${DISPLAY_IS_XVFB:-}" ]; then
  export DISPLAY_IS_XVFB=1
  exec bash tests/gui/with_xvfb.sh bash "$0" "$@"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work" Temp="$work" XDG_CONFIG_HOME="$work/.config" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
"$gen" 10000 > "$work/song.hml"

times=()
for _ in $(seq 1 "$runs"); do
  start=$(date +%s%N)
  "$app" "$work/song.hml" > "$work/app.log" 2>&1 &
  pid=$!
  # Poll for the mapped window; xwininfo answers in about a millisecond.
  until xwininfo -name "$caption" > /dev/null 2>&1; do
    kill -0 "$pid" 2>/dev/null || { echo "vellotune ended before its window showed:"; cat "$work/app.log"; exit 1; }
    sleep 0.002
  done
  end=$(date +%s%N)
  kill "$pid"; wait "$pid" 2>/dev/null || true
  times+=($(( (end - start) / 1000000 )))
done
printf '%s\n' "${times[@]}" | sort -n | awk -v runs="$runs" '
  { t[NR] = $1; sum += $1 }
  END { printf "start-up with a 10,000-line song, %d runs: median %d ms, best %d ms, worst %d ms, mean %.0f ms\n",
        runs, t[int((NR + 1) / 2)], t[1], t[NR], sum / NR }'

# A song of 1,000,000 characters of OMP data, without and with separators:
# opened, laid out and painted, then typed into; MIDI files imported, and
# cancelled halfway (offscreen, in process).
"$build/bin/vltn_bench_window" 1000000 2> /dev/null
