#include "imaging/PageWriter.h"

#include "AroPrinterCfg.h"
#include "imaging/BandLimits.h"
#include "imaging/PageFile.h"
#include "job/JobContext.h"
#include "job/JobMessages.h"

namespace aro {

namespace {

// A band that cannot be used is left out; when it ends the page, the rows
// the page did get are kept.
int32_t RefuseBand(const PageFormat& format, bool endsPage) {
    if (endsPage) format.endPage();
    return ARO_BAND_FAILED;
}

}  // namespace

int32_t AppendBand(const PageFormat& format, unsigned char* pBits, uint32_t dwHeight,
                   uint32_t dwWidth, int32_t dwResolution, int32_t bBanding) {
    if (!g_job.page.out) {
        ShowCannotOpenTiffMessage();
        return ARO_BAND_NO_FILE;
    }
    const bool endsPage = (bBanding & 0xFF) == 0;
    const uint64_t stride = format.stride(dwWidth);
    if (!IsUsableBand(pBits, dwHeight, dwWidth, format.maxBandWidth, stride))
        return RefuseBand(format, endsPage);
    // A page cannot start with a band of no rows (its fields would describe
    // strips of no rows): such a band waits for the page's first real band.
    if (dwHeight == 0 && g_job.page.firstBand)
        return !endsPage || format.endPage() ? ARO_BAND_OK : ARO_BAND_FAILED;
    // A file that failed a write takes no new page.
    if (g_job.page.fileRefusesPages && !PageIsOpen(format.bitmapFormat))
        return RefuseBand(format, endsPage);
    const int32_t backgroundStatus = g_job.settings.backgroundImage
                                         ? format.applyBackground(pBits, dwHeight, dwWidth)
                                         : ARO_BAND_OK;
    if (g_job.page.firstBand && !format.startPage(dwHeight, dwWidth, dwResolution, stride))
        return RefuseBand(format, endsPage);
    g_job.page.firstBand = false;
    const int32_t rowsStatus = format.writeRows(pBits, dwHeight, dwWidth, stride, endsPage);
    if (!endsPage) return rowsStatus != ARO_BAND_OK ? rowsStatus : backgroundStatus;
    return format.endPage() ? rowsStatus : ARO_BAND_FAILED;
}

}  // namespace aro
