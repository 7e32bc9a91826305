#include "imaging/PageFile.h"

#include <tiffio.h>

#include "config/DiagnosticLog.h"
#include "job/JobContext.h"

namespace aro {

void StopTakingPages() {
    if (g_bFileRefusesPages) return;
    ARO_LOG("The TIFF file takes no further page, Error -2\n");
    g_bFileRefusesPages = true;
}

bool PageIsOpen(int32_t bitmapFormat) {
    return !g_bFirstBand && g_nPageFormat == bitmapFormat;
}

bool OpenPage(int32_t bitmapFormat, uint64_t rowBytes) {
    if (TIFFScanlineSize64(g_out) != rowBytes) {
        StopTakingPages();
        return false;
    }
    g_nPageFormat = bitmapFormat;
    return true;
}

void ClosePage() {
    g_nPageFormat = 0;
}

}  // namespace aro
