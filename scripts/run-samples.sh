#!/usr/bin/env bash
# Builds KEL and runs it on the bundled sample drawings (on copies, in build/samples).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
build=${KEL_BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$(nproc)" --target kel-batch
work="$build/samples"
rm -rf "$work" && mkdir -p "$work"
cp examples/*.dxf "$work"/
export KEL_HOME="$work/home"
for f in "$work"/*.dxf; do
  echo "== $(basename "$f")"
  "$build/kel-batch" --xml "$f"
done
