#!/usr/bin/env bash
# Builds everything and runs every test, in the normal preset and in the sanitizer preset.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
for preset in default sanitize; do
  cmake --preset "$preset"
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
