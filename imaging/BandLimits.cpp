#include "imaging/BandLimits.h"

#include <tiffio.h>

#include "config/DiagnosticLog.h"
#include "job/JobContext.h"

namespace aro {

namespace {

// A page is as wide as its first band; a wider band would overrun the
// rows the writers and the staging buffer are sized for.
bool FitsCurrentPage(uint32_t width) {
    if (g_job.page.firstBand) return true;
    uint32_t pageWidth = 0;
    return TIFFGetField(g_job.page.out, TIFFTAG_IMAGEWIDTH, &pageWidth) == 1 && pageWidth == width;
}

}  // namespace

uint64_t MonochromeStride(uint32_t width) {
    return (uint64_t{width} + 31) / 32 * 4;
}

uint64_t ColourStride(uint32_t width) {
    return (uint64_t{width} * 3 + 3) / 4 * 4;
}

bool IsUsableBand(const unsigned char* pBits, uint32_t rows, uint32_t width, uint32_t maxWidth,
                  uint64_t stride) {
    // A band of no rows reads nothing, whatever width it claims.
    const bool usable =
        rows == 0 ||
        (width > 0 && width <= maxWidth && stride * rows <= kMaxBandBytes && pBits != nullptr &&
         uint64_t{g_job.page.imageHeight} + rows <= UINT32_MAX && FitsCurrentPage(width));
    if (!usable) ARO_LOG("Band refused, Error -2\n");
    return usable;
}

}  // namespace aro
