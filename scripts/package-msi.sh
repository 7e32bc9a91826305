#!/usr/bin/env bash
# Builds the Windows installer package aro-printer.msi: cross-builds
# AroPrinterCfg.dll for 64-bit Windows (as scripts/test-windows.sh does) and
# packs it with wixl (packaging/windows/). Prints the package's path as its
# last line.
#
# Usage: scripts/package-msi.sh [BUILD_FOLDER]   (default build/windows)
# The static libraries come from scripts/windows-deps.sh, cached in
# $ARO_WINDOWS_DEPS_CACHE (default build/windows-deps). See docs/WINDOWS.md.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=$(realpath -m "${1:-build/windows}")

# ---- packages (Debian's), installed when missing ----
packages=(cmake ninja-build dpkg-dev googletest
          g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wixl msitools)
scripts/install-packages.sh "${packages[@]}"

deps=$(scripts/windows-deps.sh "${ARO_WINDOWS_DEPS_CACHE:-build/windows-deps}" | tail -n 1)
fresh=()
[ "$(cat "$build/.aro-windows-deps" 2>/dev/null)" = "$deps" ] || fresh=(--fresh)
cmake "${fresh[@]}" -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw64.cmake" -DARO_WINDOWS_DEPS="$deps" >&2
echo "$deps" >"$build/.aro-windows-deps"
cmake --build "$build" -j "$(nproc)" --target aro_msi >&2
echo "$build/aro-printer.msi"
