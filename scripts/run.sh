#!/usr/bin/env bash
# Builds Velmora with its sample data and runs it: the window when a display exists, else a picture of the
# window written beside the build. Arguments go to the program (a FOLDER holding another file0feed.dbf).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset default
cmake --build --preset default --target velmora
bin=build/default
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$bin/app/velmora" "$@"
fi
"$bin/app/velmora" --screenshot "$bin/velmora.png" "$@"
echo "No display: the window's picture is in $bin/velmora.png"
