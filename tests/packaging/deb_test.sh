#!/usr/bin/env bash
# `cpack -G DEB`, then both packages are unpacked into a temporary root (dpkg -x) and the tree is used as a
# user would (consumer_check.sh). Usage: deb_test.sh SOURCE_DIR BUILD_DIR CMAKE GENERATOR CXX VERSION CPACK
set -euo pipefail
source=$1 build=$2 cmake=$3 generator=$4 cxx=$5 version=$6 cpack=$7
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. "$source/tests/packaging/consumer_check.sh"
fail() { echo "FAIL: $*" >&2; exit 1; }
(cd "$build" && "$cpack" -G DEB -B "$work/packages" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log" >&2; fail "cpack"; }
runtime=$(ls "$work"/packages/velmora_*.deb)
devel=$(ls "$work"/packages/velmora-dev_*.deb)

# The program's dependencies come from its binaries: Qt's widgets and the C++ library.
depends=$(dpkg-deb -f "$runtime" Depends)
for package in libqt6widgets6 libstdc++6 libc6; do
  [[ $depends == *"$package"* ]] || fail "velmora does not depend on $package: $depends"
done
[ "$(dpkg-deb -f "$devel" Package)" = velmora-dev ] || fail "devel package name"
dpkg-deb -c "$runtime" | grep -q "./usr/share/man/man1/ordane.1" || fail "no man page in the package"

mkdir "$work/root"
dpkg -x "$runtime" "$work/root"
dpkg -x "$devel" "$work/root"
check_installed_tree "$work/root" /usr
echo "packages OK: $(basename "$runtime") $(basename "$devel")"
