#!/usr/bin/env bash
# Builds kel-batch optimised and runs the side-by-side benchmark.
#   bench/run.sh [--only dxf,dwg,batch] [--dwg-copies N] [SIZE...]   e.g. bench/run.sh 50K 500K 5M 50M
# Environment: KEL_BENCH_BUILD (default build-bench). Generated drawings are
# kept in $KEL_BENCH_BUILD/data and reused.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${KEL_BENCH_BUILD:-build-bench}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS=-fno-omit-frame-pointer \
  -DKEL_BUILD_GUI=OFF -DKEL_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target kel-batch kel-dxf-floor kel-dwg-floor >/dev/null
exec /usr/bin/python3 bench/bench.py "$build/kel-batch" "$build/data" "$@"
