#!/usr/bin/env bash
# The main job: builds the module and prints the sample pages through it
# with the settings in examples/, into ./out, then lists what it made.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)" --target AroPrinterCfg aro-example-print

mkdir -p out
hives=$(mktemp -d)
trap 'rm -rf "$hives"' EXIT
# The module records its version in the user's hive: work on copies.
export ARO_PRINTER_HKLM="$hives/machine.reg"
export ARO_PRINTER_SYSTEM_DIR="$(pwd)/$build"

print() {  # settings file, job name, pages
  cp "examples/$1" "$hives/user.reg"
  ARO_PRINTER_HKCU="$hives/user.reg" "$build/aro-example-print" \
    --module "$build/libAroPrinterCfg.so" --job-name "$2" --pages "$3" --dpi 200
}
print demo.reg "Example letter" 3
print single-page.reg "Example memo" 2

echo
echo "Files in ./out:"
ls -l out
for f in out/*.TIF; do
  echo "$f: $(tiffinfo "$f" 2>/dev/null | grep -c 'TIFF Directory') page(s)"
done
