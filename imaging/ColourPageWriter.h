// Colour bands become JPEG-compressed RGB pages of the job's TIFF file.
#pragma once

#include <cstdint>

namespace aro {

constexpr uint32_t kTiffRowsPerStrip = 8;

// Appends a 24-bit band (red, green, blue; rows padded to 4 bytes) to the
// current page in strips of 8 rows. The band with bBanding 0 ends the page.
// Returns one of the ARO_BAND_... statuses of AroPrinterCfg.h.
int32_t AppendTiffJPEG(unsigned char* pBits, uint32_t dwHeight, uint32_t dwWidth,
                       int32_t dwResolution, int32_t bBanding);

// Releases the staging buffer of a page that never ended.
void ReleaseStripBuffer();

}  // namespace aro
