#!/bin/sh
# Writes the seed images of the background loader's fuzz targets into
# corpus/background/: one small TIFF for every kind of image the loader
# reads, refuses or repairs. Needs python3 and libtiff's tools.
set -eu
out="$(dirname "$0")/corpus/background"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"

# Base pictures: a 1-bit, an 8-bit grey and an RGB picture of 40 x 24 pixels.
python3 - "$work" <<'PY'
import sys
w, h, d = 40, 24, sys.argv[1]
bits = bytearray()
for y in range(h):
    row = 0
    for x in range(w):
        row = row << 1 | ((x * 7 + y * 3) % 5 == 0 or x == y)
    row <<= (8 - w % 8) % 8
    bits += row.to_bytes((w + 7) // 8, 'big')
open(d + '/mono.pbm', 'wb').write(b'P4\n%d %d\n' % (w, h) + bits)
grey = bytes((x * 6 + y * 5) % 256 for y in range(h) for x in range(w))
open(d + '/grey.pgm', 'wb').write(b'P5\n%d %d\n255\n' % (w, h) + grey)
rgb = bytes(v for y in range(h) for x in range(w) for v in ((x * 6) % 256, (y * 10) % 256, (x * y) % 256))
open(d + '/rgb.ppm', 'wb').write(b'P6\n%d %d\n255\n' % (w, h) + rgb)
PY

ppm2tiff -R 200 "$work/mono.pbm" "$work/mono.tif"
ppm2tiff -R 300 "$work/grey.pgm" "$work/grey.tif"
ppm2tiff -R 150 "$work/rgb.ppm" "$work/rgb.tif"

tiffcp -c g4 "$work/mono.tif" "$out/mono-g4.tif"
tiffcp -c g3 "$work/mono.tif" "$out/mono-g3.tif"
tiffcp -c none "$work/mono.tif" "$out/mono-none.tif"
tiffcp -c packbits -f lsb2msb "$work/mono.tif" "$out/mono-packbits-lsb.tif"
tiffcp -c none -t -w 16 -l 16 "$work/mono.tif" "$out/mono-tiled.tif"
tiffcp -c none "$work/grey.tif" "$out/grey.tif"
tiffcp -c lzw -t -w 16 -l 16 "$work/grey.tif" "$out/grey-tiled-lzw.tif"
tiffcp -c none "$work/rgb.tif" "$out/rgb.tif"
tiffcp -c none -p separate -r 8 "$work/rgb.tif" "$out/rgb-planes.tif"
tiffcp -c packbits -t -w 16 -l 16 "$work/rgb.tif" "$out/rgb-tiled.tif"
tiffcp -c jpeg -r 16 "$work/rgb.tif" "$out/rgb-ycbcr-jpeg.tif"
tiffcp -c zip "$work/mono.tif" "$out/mono-deflate.tif"
tiff2rgba -c none "$work/rgb.tif" "$out/rgba.tif"
tiffmedian -c none "$work/rgb.tif" "$out/palette.tif"
tiffcp "$out/mono-g4.tif" "$out/rgb.tif" "$out/two-pages.tif"

# Centimetre resolution.
cp "$out/grey.tif" "$out/grey-cm.tif"
tiffset -s 296 3 "$out/grey-cm.tif"

# One strip of RGB marked as separate planes: the file the loader repairs.
tiffcp -c none -r 24 "$work/rgb.tif" "$out/rgb-planar-defect.tif"
tiffset -s 284 2 "$out/rgb-planar-defect.tif"

# Directories that point at each other.
python3 - "$out/looping-directories.tif" <<'PY'
import struct, sys
def directory(entries, nxt):
    data = struct.pack('<H', len(entries))
    for tag, typ, count, value in entries:
        field = struct.pack('<HH', value, 0) if typ == 3 and count == 1 else struct.pack('<I', value)
        data += struct.pack('<HHI', tag, typ, count) + field
    return data + struct.pack('<I', nxt)
entries = [(256, 3, 1, 4), (257, 3, 1, 2), (258, 3, 1, 24), (273, 4, 1, 8), (277, 3, 1, 3),
           (284, 3, 1, 2)]
first = 8
second = first + 2 + 12 * len(entries) + 4
data = b'II*\0' + struct.pack('<I', first)
data += directory(entries, second) + directory(entries, first)
open(sys.argv[1], 'wb').write(data)
PY
ls -l "$out"
