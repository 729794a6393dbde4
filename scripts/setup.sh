#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the program need. Idempotent.
set -euo pipefail
packages=(build-essential cmake ninja-build libgtest-dev libgmock-dev libbenchmark-dev qt6-base-dev fonts-dejavu-core
          libcli11-dev nlohmann-json3-dev python3 python3-dbf python3-dbfread libdbd-xbase-perl
          xvfb xauth x11-apps netpbm pgdbf
          dpkg-dev man-db sqlite3 postgresql)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "Installing: ${missing[*]}"
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
