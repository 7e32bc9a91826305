#!/usr/bin/env bash
# Makes the sample documents of the examples from letter.ps:
#   letter.pdf  the letter as PDF (its text goes into the .TXT file)
#   pages.pnm   three PNM images in one file, 100 dpi: the letter's first
#               page in colour (P6), then both pages in black and white (P4)
# usage: examples/make-samples.sh [OUTPUT_DIR]   (default: build/examples)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="${1:-build/examples}"
mkdir -p "$out"

gs_run() {  # options...; the letter is the input
  gs -q -dSAFER -dBATCH -dNOPAUSE "$@" -f "$here/letter.ps"
}
gs_run -sDEVICE=pdfwrite "-sOutputFile=$out/letter.pdf"

colour=$(mktemp "$out/.page-colour.XXXXXX")
mono=$(mktemp "$out/.page-mono.XXXXXX")
trap 'rm -f "$colour" "$mono"' EXIT
gs_run -sDEVICE=ppmraw -r100 -dLastPage=1 "-sOutputFile=$colour"
gs_run -sDEVICE=pbmraw -r100 "-sOutputFile=$mono"
cat "$colour" "$mono" > "$out/pages.pnm"
