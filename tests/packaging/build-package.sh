#!/bin/sh
# Builds the Debian package from a build folder as the README says (cpack -G DEB), into a
# folder of its own.  Usage: build-package.sh <cpack> <build folder> <output folder>
set -eu
cpack=$1
build=$2
out=$3
rm -rf "$out"
mkdir -p "$out"
"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$out"
ls "$out"/4vt_*.deb
