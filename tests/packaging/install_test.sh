#!/usr/bin/env bash
# `cmake --install --strip` into a temporary prefix, then the tree is used as a user would (consumer_check.sh).
# Usage: install_test.sh SOURCE_DIR BUILD_DIR CMAKE GENERATOR CXX VERSION
set -euo pipefail
source=$1 build=$2 cmake=$3 generator=$4 cxx=$5 version=$6
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. "$source/tests/packaging/consumer_check.sh"
"$cmake" --install "$build" --prefix "$work/prefix" --strip >"$work/install.log"
check_installed_tree "$work" /prefix
echo "installed tree OK"
