// The steps every page writer takes with a band, in one place; a page
// format adds only its background check, its page fields, its rows and its
// page end.
#pragma once

#include <cstdint>

namespace aro {

struct PageFormat {
    int32_t bitmapFormat;  // ARO_BITMAP_...
    uint32_t maxBandWidth;
    uint64_t (*stride)(uint32_t width);
    // Lays the page's background under the band; returns the band status
    // it causes.
    int32_t (*applyBackground)(unsigned char* pBits, uint32_t dwHeight, uint32_t dwWidth);
    // Sets the page's fields on its first band; false when the file cannot
    // take them.
    bool (*startPage)(uint32_t dwHeight, uint32_t dwWidth, int32_t dwResolution, uint64_t stride);
    // Writes the band's rows into the open page (none once the file takes
    // no further page) and counts them. ARO_BAND_FAILED only for rows lost
    // in a way the page's end does not report; a failed write stops the
    // file taking pages, which the band that ends the page reports.
    int32_t (*writeRows)(unsigned char* pBits, uint32_t dwHeight, uint32_t dwWidth, uint64_t stride,
                         bool endsPage);
    // Writes the page's directory; false when the page is not counted.
    bool (*endPage)();
};

// Appends a band to the job's TIFF file in the given format, after the
// writer's own opening log lines. Returns one of the ARO_BAND_... statuses.
int32_t AppendBand(const PageFormat& format, unsigned char* pBits, uint32_t dwHeight,
                   uint32_t dwWidth, int32_t dwResolution, int32_t bBanding);

}  // namespace aro
