#!/usr/bin/env bash
# The Windows job: cross-builds AroPrinterCfg.dll for 64-bit Windows with
# MinGW-w64 and runs the unit suite and the Windows suite under Wine
# (headless, in a private Wine prefix inside the build folder).
#
# Usage: scripts/test-windows.sh [BUILD_FOLDER]   (default build/windows)
# The static libraries come from scripts/windows-deps.sh, cached in
# $ARO_WINDOWS_DEPS_CACHE (default build/windows-deps). See docs/WINDOWS.md.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=$(realpath -m "${1:-build/windows}")
jobs=$(nproc)

# ---- packages (Debian's), installed when missing ----
packages=(cmake ninja-build dpkg-dev googletest
          g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine wine64 wixl msitools)
scripts/install-packages.sh "${packages[@]}"

echo "== Windows libraries (libjpeg-turbo, libtiff, GoogleTest)"
deps=$(scripts/windows-deps.sh "${ARO_WINDOWS_DEPS_CACHE:-build/windows-deps}" | tail -n 1)

echo "== Windows build"
# A build configured with another libraries' prefix starts afresh: its
# cached library paths would point into the old one.
fresh=()
[ "$(cat "$build/.aro-windows-deps" 2>/dev/null)" = "$deps" ] || fresh=(--fresh)
cmake "${fresh[@]}" -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DARO_WERROR=ON \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw64.cmake" -DARO_WINDOWS_DEPS="$deps" >/dev/null
echo "$deps" >"$build/.aro-windows-deps"

# One Wine server for the whole run, with the prefix's services and a
# desktop, all started apart from the build's and the tests' output streams
# (a process started by a test would otherwise hold ctest's pipe open until
# it ends): notepad keeps the desktop, which COM and the dialog test need,
# from ending between tests. Everything in the prefix, which is this
# build's own, is stopped at the end.
export WINEPREFIX="$build/wineprefix"
export WINEDEBUG=-all
wine_run() { "$root/cmake/wine-run.sh" "$@" </dev/null >/dev/null 2>&1; }
wine_run 'C:\windows\system32\cmd.exe' /c exit
wineserver -k >/dev/null 2>&1 || true
wineserver -w
wineserver -p </dev/null >/dev/null 2>&1
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
wine_run 'C:\windows\system32\cmd.exe' /c exit
wine_run 'C:\windows\system32\notepad.exe' &
export ARO_WINE_READY=1

cmake --build "$build" -j "$jobs"

echo "== Windows tests under Wine"
log="$build/ctest.log"
status=0
ctest --test-dir "$build" --output-on-failure -j "$jobs" 2>&1 | tee "$log" || status=$?
summary=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1 || true)
if [ -z "$summary" ]; then
  echo "Windows tests: no result"
  exit 1
fi
failed=$(sed -E 's/.* ([0-9]+) tests? failed out of .*/\1/' <<<"$summary")
total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")
echo "Windows tests: $((total - failed)) passed, $failed failed"
exit "$status"
