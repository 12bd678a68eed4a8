#!/usr/bin/env bash
# Builds the engine, component, runs, kel-batch and their tests with
# AddressSanitizer and UndefinedBehaviorSanitizer (no window program) and runs
# the tests. Any report fails the run.
#   scripts/sanitize.sh            (build folder: $KEL_SANITIZE_BUILD, default build-asan)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${KEL_SANITIZE_BUILD:-build-asan}
jobs=${KEL_JOBS:-$(nproc)}
# GCC 12 reports false "maybe uninitialized" warnings inside the standard
# library (std::regex, std::function) once the sanitizers are on.
cmake -S . -B "$build" -DKEL_WERROR=ON -DKEL_SANITIZE=ON -DKEL_BUILD_GUI=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS=-Wno-maybe-uninitialized >/dev/null
cmake --build "$build" -j"$jobs"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cd "$build"
ctest --output-on-failure -j"$jobs" --timeout 900
