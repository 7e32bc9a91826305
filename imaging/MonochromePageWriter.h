// Black-and-white bands become CCITT Group 4 pages of the job's TIFF file.
#pragma once

#include <cstdint>

namespace aro {

// Appends a 1-bit band (rows padded to 32 bits, set bit = white) to the
// current page; the band is complemented in place. The band with bBanding 0
// ends the page. Returns one of the ARO_BAND_... statuses of AroPrinterCfg.h.
int32_t AppendTiffG4(unsigned char* pBits, uint32_t dwHeight, uint32_t dwWidth,
                     int32_t dwResolution, int32_t bBanding);

}  // namespace aro
