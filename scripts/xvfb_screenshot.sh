#!/usr/bin/env bash
# Runs the real window on a virtual X display (not the screenshot mode: the program draws on the X server as on
# a desktop), grabs the whole screen once the window shows and writes it as a PNG.
# Usage: scripts/xvfb_screenshot.sh OUT.png [FOLDER]
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:?usage: scripts/xvfb_screenshot.sh OUT.png [FOLDER]}")
shift
bin=build/default/app/velmora
[ -x "$bin" ] || { echo "build first: cmake --build --preset default --target velmora" >&2; exit 1; }
xvfb-run -a -s "-screen 0 800x640x24" bash -c '
  "$1" "${@:3}" &
  pid=$!
  sleep 2
  xwd -root -silent | xwdtopnm 2>/dev/null | pnmtopng > "$2"
  kill "$pid"
  wait "$pid" 2>/dev/null
  exit 0
' _ "$bin" "$out" "$@"
echo "The screen of the virtual display is in $out"
