#!/usr/bin/env bash
# Cross-builds kel-batch.exe and the engine, component, platform and runs tests for
# 64-bit Windows with mingw-w64, runs the tests and a small batch under wine,
# and leaves kel-batch.exe (statically linked: it runs from any folder) with a
# zip of it in the build folder. Each wine step is time-boxed.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh g++-mingw-w64-x86-64-posix wine64 googletest
build=${KEL_WIN_BUILD_DIR:-build-win}
limit=${KEL_WINE_SECONDS:-300}
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release \
  -DKEL_WERROR=ON -DKEL_BUILD_GUI=OFF "${launcher[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)" --target kel-batch test_platform test_engine test_component test_dwg test_runs

wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
export WINEPREFIX="${WINEPREFIX:-$(cd "$build" && pwd)/wineprefix}" WINEDEBUG=-all
# Sets up the wine prefix once, so the first test does not pay for it.
timeout "$limit" "$wine" "$build/kel-batch.exe" --version

(cd "$build" && ctest --output-on-failure --timeout "$limit" -R '^test_')

# A small batch: drawings with names outside ASCII in a folder so named, run
# from a list file that names them with a drive letter and backslashes.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dir="$work/Zeichnungen-$(printf '\xc3\x84nderung')"
mkdir -p "$dir"
names=("Gr$(printf '\xc3\xb6\xc3\x9f')e.dxf" "$(printf '\xe5\x9b\xb3\xe9\x9d\xa2') r2000.dxf")
cp examples/title-r2018.dxf "$dir/${names[0]}"
cp examples/title-r2000-bin.dxf "$dir/${names[1]}"
cp examples/title-block.txt "$dir/"
windir="Z:$(printf '%s' "$dir" | tr / '\\')"
{
  for n in "${names[@]}"; do printf '%s\\%s,%s\\title-block.txt\r\n' "$windir" "$n" "$windir"; done
  printf 'END\r\n'
} >"$dir/batch.dlf"
export KEL_HOME="$windir\\home"
timeout "$limit" "$wine" "$build/kel-batch.exe" -q "$windir\\batch.dlf"
for n in "${names[@]}"; do
  # The whole output first: grep -q would stop reading early, and with pipefail
  # the writer's broken pipe would count as a failure.
  xml=$(timeout "$limit" "$wine" "$build/kel-batch.exe" --xml "$windir\\$n")
  grep -q "2026-12-06" <<<"$xml" || { echo "kel-batch.exe did not change $n" >&2; exit 1; }
done
grep -q "${names[1]}" "$dir/home/"*.log || { echo "the audit log does not name ${names[1]}" >&2; exit 1; }

# The spreadsheet export and import need libraries this build goes without:
# both say so and exit with status 2.
for cmd in export import; do
  args=("--$cmd" "$windir\\sheet.xlsx")
  [ "$cmd" = export ] && args+=("$windir\\${names[0]}")
  set +e
  said=$(timeout "$limit" "$wine" "$build/kel-batch.exe" "${args[@]}" 2>&1)
  rc=$?
  set -e
  [ "$rc" -eq 2 ] && grep -q "not available in this build" <<<"$said" ||
    { echo "kel-batch.exe --$cmd: exit $rc, said: $said" >&2; exit 1; }
done

(cd "$build" && cpack -G ZIP >/dev/null && ls kel-batch-*-windows-x64.zip)
echo "Windows build, tests and batch under wine: OK"
