// Reading a tiled background TIFF into an allocated BackgroundBitmap.
#pragma once

typedef struct tiff TIFF;

namespace aro {

class BackgroundBitmap;
struct BackgroundImageInfo;

// A tiled image tile by tile; false when it cannot be read safely or at all.
bool ReadTilePixels(TIFF* tif, const BackgroundImageInfo& info, BackgroundBitmap& bitmap);

}  // namespace aro
