// Reading a tiled background TIFF into an allocated PageBitmap.
#pragma once

typedef struct tiff TIFF;

namespace aro {

class PageBitmap;
struct BackgroundImageInfo;

// A tiled image tile by tile; false when it cannot be read safely or at all.
bool ReadTilePixels(TIFF* tif, const BackgroundImageInfo& info, PageBitmap& bitmap);

}  // namespace aro
