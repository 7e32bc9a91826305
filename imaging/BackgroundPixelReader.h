// Reading the pixels of a background TIFF into an allocated BackgroundBitmap.
// Every reader writes only inside the bitmap's rows and reports false when
// the image cannot be read safely or at all.
#pragma once

#include <cstddef>

typedef struct tiff TIFF;

namespace aro {

class BackgroundBitmap;

// The whole image through libtiff's RGBA interface into a 24-bit bitmap
// (blue, green, red).
bool ReadRgbaPixels(TIFF* tif, BackgroundBitmap& bitmap);

// A stripped image row by row, top row first.
bool ReadScanlinePixels(TIFF* tif, BackgroundBitmap& bitmap);

// The width in bytes that the file's rows take in a bitmap row; 0 when they
// do not fit the bitmap's stride.
std::size_t FileRowBytesInBitmap(TIFF* tif, const BackgroundBitmap& bitmap);

// Turns a decoded row into the bitmap's conventions: red and blue exchanged
// in pixels of 24 bits and more. The bit order within bytes needs nothing:
// libtiff applies FillOrder to the raw data of every codec before decoding.
void FinishBitmapRow(unsigned char* row, const BackgroundBitmap& bitmap);

}  // namespace aro
