#!/usr/bin/env bash
# Takes screenshots of the window program under a virtual X display:
#   desktop.png           the real kel program on the display (import -window root)
#   1-main-empty.png ...  the main window in its typical states, the About box and the
#                         File Specifications screen (rendered by tests/ui/ScreenshotTool.cpp)
# Usage: bash scripts/screenshots.sh [OUTPUT-FOLDER]   (default <build>/screenshots)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh xvfb x11-utils imagemagick
build=${KEL_BUILD_DIR:-build}
out=${1:-$build/screenshots}
cmake -S . -B "$build" >/dev/null
cmake --build "$build" -j2 --target kel kel_ui_screenshots
mkdir -p "$out"
out=$(cd "$out" && pwd)

tmp=$(mktemp -d)
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x900x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
kel_pid=""
cleanup() {
  [ -n "$kel_pid" ] && kill "$kel_pid" 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT
for _ in $(seq 50); do xdpyinfo -display "$display" >/dev/null 2>&1 && break; sleep 0.1; done

export DISPLAY=$display QT_QPA_PLATFORM=xcb KEL_HOME=$tmp/home XDG_CONFIG_HOME=$tmp/config
mkdir -p "$KEL_HOME/samples" "$XDG_CONFIG_HOME/KEL"
cp examples/*.dxf examples/title-block.txt "$KEL_HOME/samples/"
cat >"$XDG_CONFIG_HOME/KEL/KEL.ini" <<INI
[Options]
Dir=$KEL_HOME/samples
Dir3=$KEL_HOME/samples
FExt=*.dxf
INI

"$build/ui/kel" &
kel_pid=$!
sleep 3
import -window root "$out/desktop.png"
kill "$kel_pid" && wait "$kel_pid" 2>/dev/null || true
kel_pid=""

"$build/tests/ui/kel_ui_screenshots" "$out"
ls -l "$out"
