#!/usr/bin/env bash
# Builds the Debian package, installs it with apt-get, runs the installed
# kel-batch on one sample drawing, checks the desktop entry and removes the
# package again. Needs root (or sudo): it installs into the system.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh desktop-file-utils dpkg-dev
build=${KEL_BUILD_DIR:-build}
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$(nproc)" --target kel-batch kel
rm -f "$build"/kel_*.deb
(cd "$build" && cpack -G DEB >cpack.log 2>&1) || { cat "$build/cpack.log" >&2; exit 1; }
deb=$(ls "$build"/kel_*.deb)
echo "Package: $deb"
depends=$(dpkg-deb -f "$deb" Depends)
echo "$depends"
# The spreadsheet libraries the programs link are the package's dependencies too.
for lib in libxlsxwriter libzip libexpat libcsv; do
  grep -q "$lib" <<<"$depends" || { echo "the package does not depend on $lib" >&2; exit 1; }
done
# Nothing of the build folder may reach the package.
if dpkg-deb -c "$deb" | grep -q "$(cd "$build" && pwd)"; then
  echo "the package holds paths of the build folder" >&2; exit 1
fi

work=$(mktemp -d)
cleanup() {
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get remove -y -qq kel >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "./$deb" >/dev/null

kel=$(command -v kel-batch)
[ "$kel" = /usr/bin/kel-batch ] || { echo "kel-batch is not installed in /usr/bin (found: $kel)" >&2; exit 1; }
[ -x /usr/bin/kel ] || { echo "kel is not installed" >&2; exit 1; }
"$kel" --version | grep -q "^kel-batch [0-9]"
for f in /usr/share/man/man1/kel.1.gz /usr/share/man/man1/kel-batch.1.gz /usr/share/doc/kel/README.md \
         /usr/share/doc/kel/faq.fil /usr/share/icons/hicolor/scalable/apps/kel.svg; do
  [ -f "$f" ] || { echo "missing after install: $f" >&2; exit 1; }
done
desktop-file-validate /usr/share/applications/kel.desktop

# One drawing through the installed program, with its own application folder.
cp examples/title-r2018.dxf examples/title-block.txt "$work"/
export KEL_HOME="$work/home"
(cd "$work" && "$kel" -q -t title-block.txt title-r2018.dxf)
# The whole output first (grep -q would stop reading early: a broken pipe under pipefail).
xml=$("$kel" --xml "$work/title-r2018.dxf")
grep -q "2026-12-06" <<<"$xml" || { echo "the installed kel-batch did not change the drawing" >&2; exit 1; }
grep -q "title-r2018.dxf" "$KEL_HOME"/*.log || { echo "no audit log line for the drawing" >&2; exit 1; }
# The spreadsheet round trip through the installed program (its libraries came with the package).
(cd "$work" && "$kel" -q --export sheet.xlsx title-r2018.dxf && "$kel" -q --import sheet.xlsx)

DEBIAN_FRONTEND=noninteractive $SUDO apt-get remove -y -qq kel >/dev/null
if dpkg-query -W -f='${Status}' kel 2>/dev/null | grep -q 'install ok installed'; then
  echo "the package is still installed" >&2; exit 1
fi
for f in /usr/bin/kel /usr/bin/kel-batch /usr/share/applications/kel.desktop /usr/share/doc/kel; do
  [ ! -e "$f" ] || { echo "left behind after removal: $f" >&2; exit 1; }
done
echo "Package install, run and removal: OK"
