#!/usr/bin/env bash
# Builds kel-batch optimised and compares serial with parallel batches.
#   bench/parallel.sh [JOBS...]      e.g. bench/parallel.sh 1 2
set -euo pipefail
cd "$(dirname "$0")/.."
build=${KEL_BENCH_BUILD:-build-bench}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKEL_BUILD_GUI=OFF -DKEL_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target kel-batch >/dev/null
exec /usr/bin/python3 bench/parallel.py "$build/kel-batch" "$build/data" "$@"
