#!/usr/bin/env bash
# The main job: builds the module and aro-print, makes the sample documents
# and the letterhead backgrounds, and prints the samples through the module
# with aro-print and the settings in examples/, into ./out; then lists what
# it made.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# Only what printing needs; scripts/test.sh builds the rest.
cmake --build "$build" -j "$(nproc)" --target AroPrinterCfg aro-print

samples=build/examples
examples/make-samples.sh "$samples"
examples/make-letterhead.sh "$samples"

mkdir -p out
hives=$(mktemp -d)
trap 'rm -rf "$hives"' EXIT
# The module records its version in the user's hive: work on copies.
export ARO_PRINTER_HKLM="$hives/machine.reg"
export ARO_PRINTER_SYSTEM_DIR="$(pwd)/$build"

status=0
print() {  # settings file, aro-print arguments...
  cp "examples/$1" "$hives/user.reg"
  shift
  ARO_PRINTER_HKCU="$hives/user.reg" "$build/aro-print" "$@" || status=$?
}
# The letter on its letterhead, from PostScript and from PDF: one file each,
# the colour first page as JPEG, the second page as Group 4.
print demo.reg examples/letter.ps
print demo.reg --job-name "Letter from PDF" "$samples/letter.pdf"
# Three images of one PNM file, a TIFF file for every page.
print single-page.reg --dpi 100 "$samples/pages.pnm"

echo
echo "Files in ./out:"
ls -l out
for f in out/*.TIF; do
  [ -e "$f" ] || continue
  echo "$f: $(tiffinfo "$f" 2>/dev/null | grep -c 'TIFF Directory') page(s)," \
       "$(tiffinfo "$f" 2>/dev/null | grep 'Compression Scheme' | sed 's/.*: //' | paste -sd, -)"
done
exit "$status"
