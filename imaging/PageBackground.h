// The page writers' use of the background image: which file, loaded when.
#pragma once

#include <cstdint>

namespace aro {

// Reads the background path from valueName (on every band) and, on the
// first band of a page, clears the document's bitmap and loads the file into
// it, sharing the pixels of an earlier page while the file is unchanged.
// False when that load failed (or there is no bitmap to load into).
bool PreparePageBackground(const char* valueName);

// The bit count of the loaded background, 0 when there is none.
uint16_t PageBackgroundBitCount();

// Lays the loaded background under the band's rows.
void MergePageBackground(unsigned char* band, uint32_t rows, uint32_t width, int bits);

}  // namespace aro
