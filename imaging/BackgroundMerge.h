// Lays a loaded background under the bands of a page, in place.
#pragma once

#include <cstdint>

#include "imaging/BackgroundRowSpans.h"

namespace aro {

class BackgroundBitmap;

// What a merge of the background into a band gives.
enum BackgroundMergeResult : int {
    kBackgroundMerged = 1,
    kMergeWithoutImage = -1,  // no bitmap or no band
    // Bits other than 1 or 24, or a background of another bit count.
    kMergeWrongBits = -2,
};

// Merges the background rows under band rows firstRow... of the page into
// the band (bits 1 or 24, the background's bit count).
BackgroundMergeResult MergeBackground(BackgroundBitmap* background, unsigned char* band,
                                      uint32_t rows, uint32_t width, uint32_t firstRow, int bits);
// The same, reading only the spans of the background's rows (found for its
// pixels as they are now); null reads whole rows.
BackgroundMergeResult MergeBackground(BackgroundBitmap* background, unsigned char* band,
                                      uint32_t rows, uint32_t width, uint32_t firstRow, int bits,
                                      const BackgroundRowSpans* spans);

// Turns a 1-bit image around (its rows inverted, its two palette entries
// swapped); false, and nothing changed, for any other image or one
// without rows.
bool NormalizeMonoPolarity(BackgroundBitmap& bitmap);

}  // namespace aro
