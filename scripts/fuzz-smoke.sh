#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, ASan and UBSan and runs each one
# for a few seconds from its seed corpus. Any crash, hang or sanitizer report
# fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${FUZZ_SECONDS:-10}
jobs=$(nproc 2>/dev/null || echo 2)

CC=clang CXX=clang++ cmake -S . -B build-fuzz -DVLTN_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build-fuzz -j"$jobs"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
for target in build-fuzz/bin/fuzz_*; do
  name=$(basename "$target")
  corpus="build-fuzz/corpus/$name"
  mkdir -p "$corpus"
  if [ -d "fuzz/seeds/$name" ]; then
    cp -n fuzz/seeds/"$name"/* "$corpus"/ 2>/dev/null || true
  fi
  echo "== $name (${seconds}s)"
  if ! "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 -print_final_stats=0 "$corpus" \
       > "build-fuzz/$name.log" 2>&1; then
    tail -n 60 "build-fuzz/$name.log"
    status=1
  else
    grep -E '^#[0-9]+.*DONE' "build-fuzz/$name.log" | tail -n 1 || true
  fi
done
if [ $status -ne 0 ]; then
  echo "fuzz smoke: FAILED"
fi
exit $status
