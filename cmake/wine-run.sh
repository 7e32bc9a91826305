#!/usr/bin/env bash
# Runs a Windows program of the cross-build under Wine, headless and quiet.
# Usage: wine-run.sh PROGRAM.exe [ARGS...]
# The Wine prefix is $WINEPREFIX when set, else "wineprefix" in the build
# folder that holds the program (the nearest folder upwards with a
# CMakeCache.txt); it is created on first use, with the null graphics
# driver: windows exist but nothing is shown, and no display is needed.
set -euo pipefail

program=$1
if [ -z "${WINEPREFIX:-}" ]; then
  dir=$(cd "$(dirname "$program")" && pwd)
  while [ "$dir" != / ] && [ ! -f "$dir/CMakeCache.txt" ]; do dir=$(dirname "$dir"); done
  [ "$dir" = / ] && dir=$(cd "$(dirname "$program")" && pwd)
  export WINEPREFIX="$dir/wineprefix"
fi
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installers: nothing here needs .NET or HTML.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export WINEARCH=win64

# With address space randomisation, a Wine process now and then finds the
# fixed address of its shared user data taken and ends at once ("failed to
# map the shared user data", exit 1, nothing shown under WINEDEBUG=-all):
# Wine runs without it (its child processes inherit that).
fixed_layout() { setarch "$(uname -m)" --addr-no-randomize "$@"; }

# scripts/test-windows.sh prepares the prefix, server and services once
# for the whole run and says so with ARO_WINE_READY=1.
if [ "${ARO_WINE_READY:-}" != 1 ]; then
  if [ ! -f "$WINEPREFIX/.aro-ready" ]; then
    mkdir -p "$(dirname "$WINEPREFIX")"
    # Parallel first runs set the prefix up once.
    (
      flock 9
      if [ ! -f "$WINEPREFIX/.aro-ready" ]; then
        fixed_layout wineboot -i >/dev/null 2>&1
        # Windows without a display: the null graphics driver.
        fixed_layout wine 'C:\windows\system32\reg.exe' add 'HKCU\Software\Wine\Drivers' \
          /v Graphics /d null /f >/dev/null 2>&1
        # The desktop started by the set-up still has no driver: stop this
        # new prefix's processes, the next start picks the null driver.
        wineserver -k >/dev/null 2>&1 || true
        touch "$WINEPREFIX/.aro-ready"
      fi
    ) 9>"$WINEPREFIX.lock"
  fi
  # The Wine server and the prefix's services outlive the program that starts
  # them and keep its output streams open (ctest then waits for them): start
  # them apart, without the program's streams.
  fixed_layout wineboot </dev/null >/dev/null 2>&1
fi
exec setarch "$(uname -m)" --addr-no-randomize wine "$@"
