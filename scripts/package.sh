#!/usr/bin/env bash
# Builds the Debian package of the tree: a copy of the sources (the tree
# itself is never written to) goes through dpkg-buildpackage, lintian
# checks the result, and the folder holding the .deb is printed last.
#
# Usage: scripts/package.sh [--output DIR] [--version VERSION]
#   --output   where the packages go (default build/package)
#   --version  package another version than debian/changelog's, with a
#              changelog entry of its own (the upgrade test builds a lower one)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
output=$root/build/package
version=""
while [ $# -gt 0 ]; do
  case "$1" in
    --output) output=$(realpath -m "$2"); shift 2 ;;
    --version) version=$2; shift 2 ;;
    *) echo "usage: $0 [--output DIR] [--version VERSION]" >&2; exit 2 ;;
  esac
done

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"

# The packaging tools, when any is missing.
"$root/scripts/install-packages.sh" dpkg-dev debhelper lintian

# The version the package states must be the one the build gives the
# module, or the version record and the package would disagree.
cmake_version=$(sed -n 's/^project(AroPrinterCfg VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
changelog_version=$(dpkg-parsechangelog -l "$root/debian/changelog" -S Version)
if [ -z "$version" ] && [ "${changelog_version%%[-~+]*}" != "$cmake_version" ]; then
  echo "debian/changelog states $changelog_version, CMakeLists.txt $cmake_version: add a changelog entry" >&2
  exit 1
fi

# A fresh copy of every file git knows of (tracked or new, not ignored).
src_parent=$output/src
src=$src_parent/aro-printer-${version:-$changelog_version}
rm -rf "$src_parent"
mkdir -p "$src"
(cd "$root" && git ls-files -co --exclude-standard -z |
   while IFS= read -r -d '' f; do [ -e "$f" ] && printf '%s\0' "$f"; done |
   tar --null -T - -cf -) | tar -xf - -C "$src"

if [ -n "$version" ]; then
  entry=$(printf 'aro-printer (%s) unstable; urgency=medium\n\n  * Built as version %s.\n\n -- %s  %s\n\n' \
    "$version" "$version" "$(dpkg-parsechangelog -l "$root/debian/changelog" -S Maintainer)" "$(date -R)")
  printf '%s\n' "$entry" | cat - "$root/debian/changelog" >"$src/debian/changelog"
fi

# The build dependencies of debian/control, when any is missing.
if ! (cd "$src" && dpkg-checkbuilddeps >/dev/null 2>&1); then
  echo "Installing the build dependencies"
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get build-dep -y -qq --no-install-recommends "$src" >/dev/null
fi

rm -f "$output"/aro-printer*.deb "$output"/aro-printer_*.changes "$output"/aro-printer_*.buildinfo
(cd "$src" && DEB_BUILD_OPTIONS="parallel=$(nproc) ${DEB_BUILD_OPTIONS:-}" \
   dpkg-buildpackage -b -us -uc)
mv "$src_parent"/aro-printer*.deb "$src_parent"/aro-printer_*.changes "$src_parent"/aro-printer_*.buildinfo "$output"/
rm -rf "$src_parent"

changes=$(ls "$output"/aro-printer_*.changes)
echo "== lintian"
lintian --info "$changes" | tee "$output/lintian.txt"
if grep -q '^E: ' "$output/lintian.txt"; then
  echo "lintian reports errors (see $output/lintian.txt)" >&2
  exit 1
fi
echo "$output"
