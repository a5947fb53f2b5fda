#!/usr/bin/env bash
# Builds Vellotune and runs the whole test suite, then a short fuzz run of
# every parser under ASan and UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$jobs"

# The fuzz run first, so that ctest's summary closes the output.
fuzz=0
bash scripts/fuzz-smoke.sh || fuzz=$?

(cd build && ctest --output-on-failure -j"$jobs")
exit $fuzz
