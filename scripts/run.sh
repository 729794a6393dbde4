#!/usr/bin/env bash
# Builds Velmora with its sample data and runs it. Until the window exists, this shows the sample table through
# the ordane tool in TITLE order and in physical order, then runs the program, which lists it the way the window
# will open it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset default
cmake --build --preset default --target velmora ordane
bin=build/default
echo "== file0feed.dbf in TITLE order (ordane dump --index TITLE.NDX --tag TITLE)"
"$bin/tools/ordane" dump "$bin/app/file0feed.dbf" --index "$bin/app/TITLE.NDX" --tag TITLE --format csv
echo "== file0feed.dbf in physical order (ordane dump)"
"$bin/tools/ordane" dump "$bin/app/file0feed.dbf" --format csv
echo "== velmora"
exec "$bin/app/velmora" "$@"
