#!/usr/bin/env bash
# Builds the fuzz harnesses with clang and runs each for a chosen time.
#   fuzz/run.sh [SECONDS] [HARNESS...]      (default: 60 seconds, every harness)
# Environment: KEL_FUZZ_BUILD (build folder, default build-fuzz), KEL_FUZZ_JOBS (-j, default 2).
# A crash, hang or leak stops the run with status 1; its input is kept in
# $KEL_FUZZ_BUILD/artifacts/HARNESS/ (copy it to fuzz/regressions/HARNESS/ once fixed).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
seconds=${1:-60}
shift || true
harnesses=("$@")
[ ${#harnesses[@]} -gt 0 ] || harnesses=(dxf dwg dwg2007 dwgobject template table flatten listfile)
build=${KEL_FUZZ_BUILD:-build-fuzz}

bash scripts/install-deps.sh clang libclang-rt-14-dev
CC=clang CXX=clang++ cmake -S fuzz -B "$build" >/dev/null
targets=(make_seeds)
for h in "${harnesses[@]}"; do targets+=("fuzz_$h"); done
cmake --build "$build" -j"${KEL_FUZZ_JOBS:-2}" --target "${targets[@]}" >/dev/null

# Seeds: the project's samples, files generated from them, hand-made inputs and
# every input that once failed.
seeds=$build/seeds
mkdir -p "$seeds"/{dxf,dwg,dwg2007,dwgobject,template,table,flatten,listfile}
"$build"/make_seeds "$seeds" examples/*.dxf >/dev/null
cp examples/*.dxf "$seeds"/dxf/
cp examples/*.txt "$seeds"/template/
cp examples/*.dlf "$seeds"/listfile/
# The project has no DWG samples of its own: the real drawings beside the
# project (R13 to R2018) seed the DWG harness where they are present. They are
# read from there into the build folder, never kept in the project.
corpus_dwg=${KEL_CORPUS:-$root/../shared/corpus}/dwg
if [ -d "$corpus_dwg" ]; then
  find "$corpus_dwg" \( -path '*AC101[2458]*' -o -path '*AC102[147]*' -o -path '*AC1032*' \) -name '*.dwg' \
    -exec install -m 644 {} "$seeds"/dwg/ \;
  # The R2007 codec harness takes them whole behind its target byte (2: the container).
  for f in "$corpus_dwg"/AC1021*/*.dwg; do
    [ -f "$f" ] && { printf '\002'; cat "$f"; } >"$seeds/dwg2007/$(basename "$f")"
  done
elif [ "${KEL_REQUIRE_CORPUS:-}" = 1 ]; then
  echo "fuzz/run.sh: no corpus at $corpus_dwg (KEL_REQUIRE_CORPUS=1)" >&2
  exit 1
else
  echo "fuzz/run.sh: no corpus at $corpus_dwg; the DWG harness starts from its own seeds only"
fi
for d in fuzz/seeds/* fuzz/regressions/*; do
  [ -d "$d" ] && cp "$d"/* "$seeds/$(basename "$d")"/ 2>/dev/null || true
done

# Inputs up to 64 KiB; the DWG seeds are whole drawings of a few hundred KB.
max_len() { case "$1" in dwg|dwg2007) echo 700000 ;; *) echo 65536 ;; esac; }

status=0
for h in "${harnesses[@]}"; do
  corpus=$build/corpus/$h
  artifacts=$build/artifacts/$h
  mkdir -p "$corpus" "$artifacts"
  echo "== fuzz_$h for ${seconds}s"
  if ! "$build/fuzz_$h" "$corpus" "$seeds/$h" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -max_len="$(max_len "$h")" -print_final_stats=1 -artifact_prefix="$artifacts/" >"$build/fuzz_$h.log" 2>&1; then
    echo "fuzz_$h FAILED: see $build/fuzz_$h.log and $artifacts/"
    grep -E "ERROR|SUMMARY|Test unit written" "$build/fuzz_$h.log" | head -5 || true
    status=1
  else
    grep -E "stat::number_of_executed_units|cov:" "$build/fuzz_$h.log" | tail -2 | tr -s ' ' || true
  fi
done
exit $status
