#include "imaging/PageFile.h"

#include <tiffio.h>

#include "config/DiagnosticLog.h"
#include "job/JobContext.h"

namespace aro {

void StopTakingPages() {
    if (g_job.page.fileRefusesPages) return;
    ARO_LOG("The TIFF file takes no further page, Error -2\n");
    g_job.page.fileRefusesPages = true;
}

bool PageIsOpen(int32_t bitmapFormat) {
    return !g_job.page.firstBand && g_job.page.format == bitmapFormat;
}

bool OpenPage(int32_t bitmapFormat, uint64_t rowBytes) {
    if (TIFFScanlineSize64(g_job.page.out) != rowBytes) {
        StopTakingPages();
        return false;
    }
    g_job.page.format = bitmapFormat;
    return true;
}

void ClosePage() {
    g_job.page.format = 0;
}

}  // namespace aro
