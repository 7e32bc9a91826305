#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the examples need,
# when any of them is missing. Usage: scripts/install-deps.sh [extra packages]
set -euo pipefail

packages=(build-essential cmake ninja-build pkg-config
          libtiff-dev libjpeg-dev libsystemd-dev
          libgtest-dev libgmock-dev googletest
          clang libclang-rt-14-dev clang-format libtiff-tools
          dbus ghostscript poppler-utils libbenchmark-dev
          libpappl-dev libpam0g-dev cups cups-ipp-utils
          dpkg-dev debhelper lintian "$@")  # the last three: scripts/package.sh

# The browser tests of aro-printer-app: Debian's chromium, and node with npm
# for playwright-core. A node that came with its own npm (not Debian's) is
# kept: Debian's npm package would not install beside it.
packages+=(chromium)
command -v node >/dev/null 2>&1 || packages+=(nodejs)
command -v npm >/dev/null 2>&1 || packages+=(npm)

"$(dirname "$0")/install-packages.sh" "${packages[@]}"
