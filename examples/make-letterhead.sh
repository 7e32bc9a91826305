#!/usr/bin/env bash
# Renders the letterhead backgrounds of the examples from letterhead.ps, at
# 300 dpi on A4: black and white as Group 4 TIFF files for 1-bit pages,
# colour as LZW-compressed RGB TIFF files for 24-bit pages.
#   letterhead-1.tif, letterhead-2.tif              first page, next pages
#   letterhead-color-1.tif, letterhead-color-2.tif  the same in colour
# usage: examples/make-letterhead.sh [OUTPUT_DIR]   (default: build/examples)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="${1:-build/examples}"
mkdir -p "$out"

gs_render() {  # device, output pattern, extra options...
  local device=$1 pattern=$2
  shift 2
  gs -q -dSAFER -dBATCH -dNOPAUSE -r300 "-sDEVICE=$device" "-sOutputFile=$out/$pattern" "$@" \
     -f "$here/letterhead.ps"
}
gs_render tiffg4 'letterhead-%d.tif'
gs_render tiff24nc 'letterhead-color-%d.tif' -sCompression=lzw -dLetterheadColour
