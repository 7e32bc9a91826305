// The colour table of a loaded background image.
#pragma once

typedef struct tiff TIFF;

namespace aro {

class BackgroundBitmap;
struct BackgroundImageInfo;

// Fills the bitmap's palette from the image's bit layout, photometric
// interpretation and colour map. Writes only the entries the block holds.
void WriteBackgroundColourTable(TIFF* tif, const BackgroundImageInfo& info,
                                BackgroundBitmap& bitmap);

}  // namespace aro
