#!/usr/bin/env bash
# Builds the static Windows (MinGW-w64, x86-64) libraries the cross-build
# links: libjpeg-turbo and libtiff from Debian's own source packages, and
# GoogleTest from Debian's googletest sources in /usr/src/googletest. zlib
# (for libtiff's Deflate codec) is Debian's libz-mingw-w64-dev.
#
# Usage: scripts/windows-deps.sh [CACHE_FOLDER]   (default build/windows-deps)
# Prints the installation prefix as its last line of output.
#
# The result is cached per machine in CACHE_FOLDER/<key>, the key made of the
# source versions, the googletest and compiler versions and the checksums of
# this script and the toolchain file: a second run with nothing changed does
# nothing, a changed key builds anew and drops the older builds.
#
# Needs: dpkg-dev (apt-get source), cmake, ninja-build,
# g++-mingw-w64-x86-64-posix, libz-mingw-w64-dev, googletest
# (scripts/test-windows.sh installs them). Source packages need a deb-src
# entry: when the machine has none, one is derived from its apt sources.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
cache=$(realpath -m "${1:-build/windows-deps}")
toolchain="$root/cmake/toolchain-mingw64.cmake"
jobs=$(nproc)

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"

log() { echo "windows-deps: $*" >&2; }

# ---- source package versions ----

have_deb_src() {
  grep -rqsE '^Types:.*deb-src|^deb-src ' /etc/apt/sources.list /etc/apt/sources.list.d/ 2>/dev/null
}

# A deb-src twin of the machine's own Debian sources (deb822 format), so that
# the same mirrors and suites serve the source packages.
add_deb_src() {
  local main=/etc/apt/sources.list.d/debian.sources
  [ -f "$main" ] || { log "no $main to derive a deb-src entry from"; exit 1; }
  log "adding a deb-src entry derived from $main"
  sed -E 's/^Types:.*/Types: deb-src/' "$main" |
    $sudo tee /etc/apt/sources.list.d/aro-windows-deps-src.sources >/dev/null
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
}

# Source versions of a package, newest first; the version of the installed
# Debian binary package comes first when there is one.
source_versions() {  # source package, binary package
  local installed
  installed=$(dpkg-query -W -f='${source:Version}' "$2" 2>/dev/null || true)
  {
    [ -z "$installed" ] || echo "$installed"
    apt-cache showsrc "$1" 2>/dev/null | sed -n 's/^Version: //p' | sort_debian_versions
  } | awk 'NF && !seen[$0]++'
}

sort_debian_versions() {  # newest first
  local versions=() v i j
  while read -r v; do versions+=("$v"); done
  for ((i = 0; i < ${#versions[@]}; i++)); do
    for ((j = i + 1; j < ${#versions[@]}; j++)); do
      if dpkg --compare-versions "${versions[j]}" gt "${versions[i]}"; then
        v=${versions[i]}; versions[i]=${versions[j]}; versions[j]=$v
      fi
    done
  done
  for v in "${versions[@]}"; do echo "$v"; done
}

have_deb_src || add_deb_src
if [ -z "$(apt-cache showsrc tiff 2>/dev/null | head -1)" ]; then
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
fi
mapfile -t tiff_versions < <(source_versions tiff libtiff-dev)
mapfile -t jpeg_versions < <(source_versions libjpeg-turbo libjpeg62-turbo-dev)
[ ${#tiff_versions[@]} -gt 0 ] || { log "no source package for tiff"; exit 1; }
[ ${#jpeg_versions[@]} -gt 0 ] || { log "no source package for libjpeg-turbo"; exit 1; }
gtest_version=$(dpkg-query -W -f='${Version}' googletest)
compiler_version=$(x86_64-w64-mingw32-g++-posix -dumpfullversion)

key=$( {
  echo "tiff ${tiff_versions[0]}"
  echo "libjpeg-turbo ${jpeg_versions[0]}"
  echo "googletest $gtest_version"
  echo "mingw-g++ $compiler_version"
  sha256sum "$0" "$toolchain" | cut -d' ' -f1
} | sha256sum | cut -c1-16)
prefix="$cache/$key"

if [ -f "$prefix/.complete" ]; then
  log "cached: $prefix"
  echo "$prefix"
  exit 0
fi

# ---- fetch and build ----

work="$cache/work-$key"
rm -rf "$work" "$prefix"
mkdir -p "$work/src" "$prefix"

# apt-get source of the newest version a mirror still serves.
fetch() {  # source package, versions...
  local package=$1 version
  shift
  for version in "$@"; do
    if (cd "$work/src" && apt-get source -qq "$package=$version" >/dev/null 2>"$work/$package.err"); then
      echo "$package $version" >>"$prefix/SOURCES"
      log "fetched $package $version"
      return 0
    fi
    log "$package $version: not available, trying an older version"
  done
  cat "$work/$package.err" >&2
  return 1
}

source_dir() {  # name prefix of the unpacked folder
  find "$work/src" -mindepth 1 -maxdepth 1 -type d -name "$1*" | head -n 1
}

cmake_build() {  # source, build, options...
  local source=$1 build=$2
  shift 2
  cmake -S "$source" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DARO_WINDOWS_DEPS="$prefix" \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_CROSSCOMPILING_EMULATOR= "$@" >"$build.log" 2>&1 ||
    { cat "$build.log" >&2; return 1; }
}

fetch libjpeg-turbo "${jpeg_versions[@]}"
fetch tiff "${tiff_versions[@]}"

# libjpeg-turbo: the static library with the IJG 6b interface only. No SIMD
# (it would need nasm; the pages are small), no TurboJPEG API, no tools.
log "building libjpeg-turbo"
jpeg_src=$(source_dir libjpeg-turbo)
cmake_build "$jpeg_src" "$work/jpeg" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF \
  -DWITH_TURBOJPEG=OFF -DWITH_JAVA=OFF -DWITH_12BIT=OFF
cmake --build "$work/jpeg" -j "$jobs" --target jpeg-static >"$work/jpeg-build.log" 2>&1 ||
  { cat "$work/jpeg-build.log" >&2; exit 1; }
mkdir -p "$prefix/include" "$prefix/lib"
cp "$work/jpeg/libjpeg.a" "$prefix/lib/"
cp "$work/jpeg/jconfig.h" "$jpeg_src"/{jpeglib.h,jmorecfg.h,jerror.h} "$prefix/include/"

# libtiff: the built-in codecs, JPEG (new and old style) and Deflate; no
# tools, tests, contrib or documentation.
log "building libtiff"
cmake_build "$(source_dir tiff)" "$work/tiff" -DBUILD_SHARED_LIBS=OFF \
  -Dtiff-tools=OFF -Dtiff-tests=OFF -Dtiff-contrib=OFF -Dtiff-docs=OFF -Dcxx=OFF \
  -Djpeg=ON -Dold-jpeg=ON -Djpeg12=OFF -Dzlib=ON -Dpixarlog=OFF -Dlibdeflate=OFF \
  -Dlzma=OFF -Dzstd=OFF -Dwebp=OFF -Djbig=OFF -Dlerc=OFF -Dsphinx=OFF \
  -DJPEG_INCLUDE_DIR="$prefix/include" -DJPEG_LIBRARY="$prefix/lib/libjpeg.a"
cmake --build "$work/tiff" -j "$jobs" >"$work/tiff-build.log" 2>&1 &&
  cmake --install "$work/tiff" >>"$work/tiff-build.log" 2>&1 ||
  { cat "$work/tiff-build.log" >&2; exit 1; }

# GoogleTest and GoogleMock from the googletest package's sources.
log "building googletest"
cmake_build /usr/src/googletest "$work/gtest" -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON \
  -DCMAKE_CXX_STANDARD=17
cmake --build "$work/gtest" -j "$jobs" >"$work/gtest-build.log" 2>&1 &&
  cmake --install "$work/gtest" >>"$work/gtest-build.log" 2>&1 ||
  { cat "$work/gtest-build.log" >&2; exit 1; }

echo "googletest $gtest_version" >>"$prefix/SOURCES"
rm -rf "$work"
touch "$prefix/.complete"
# Builds for other versions are of no further use.
find "$cache" -mindepth 1 -maxdepth 1 ! -name "$key" -exec rm -rf {} +
log "installed into $prefix"
echo "$prefix"
