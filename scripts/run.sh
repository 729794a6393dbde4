#!/usr/bin/env bash
# Builds Velmora and runs it on the bundled sample data.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset default
cmake --build --preset default --target velmora
exec build/default/app/velmora "$@"
