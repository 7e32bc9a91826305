// startPageExit and endPageExit: pages and their bands.
#include <tiffio.h>

#include <cstdlib>

#include "AroPrinterCfg.h"
#include "config/DiagnosticLog.h"
#include "exits/DocumentFile.h"
#include "exits/Exits.h"
#include "imaging/ColourPageWriter.h"
#include "imaging/MonochromePageWriter.h"
#include "imaging/PageFile.h"
#include "job/JobContext.h"
#include "job/JobMessages.h"

namespace aro {

namespace {

// The TIFF file is created by the document's first band. Without an output
// folder the path would name a file at the root of the file system, so the
// file is then refused like one that cannot be created.
bool OpenDocumentFile() {
    ARO_LOG("This is the first page.\n");
    g_job.page.pageCount = 0;
    LogText("Open to write ", g_job.names.path);
    g_job.page.out =
        (g_job.names.printDir[0] && g_job.names.path[0]) ? CreateDocumentFile() : nullptr;
    if (!g_job.page.out) {
        ShowCannotOpenTiffMessage();
        return false;
    }
    g_job.phase.fileCreated = true;
    return true;
}

bool WithinPageLimit() {
    return g_job.settings.maxPages == -1 || g_job.page.pageCount < g_job.settings.maxPages;
}

// The band's row count less the CutLines setting; never more rows than the
// band has, never fewer than none.
uint32_t RowsAfterCutLines(uint32_t dwHeight) {
    long cut = std::strtol(g_job.settings.cutLines, nullptr, 10);
    if (cut <= 0) return dwHeight;
    return static_cast<unsigned long>(cut) >= dwHeight ? 0 : dwHeight - static_cast<uint32_t>(cut);
}

int32_t WriteBand(unsigned char* pBits, uint32_t dwHeight, uint32_t dwWidth, int32_t nBitmapFormat,
                  int32_t dwResolution, int32_t bBanding) {
    if (nBitmapFormat == ARO_BITMAP_MONOCHROME)
        return AppendTiffG4(pBits, RowsAfterCutLines(dwHeight), dwWidth, dwResolution, bBanding);
    return AppendTiffJPEG(pBits, dwHeight, dwWidth, dwResolution, bBanding);
}

int32_t DispatchBand(unsigned char* pBits, uint32_t dwHeight, uint32_t dwWidth,
                     int32_t nBitmapFormat, int32_t dwResolution, int32_t bBanding) {
    if (!WithinPageLimit()) return ARO_BAND_OK;
    const bool endsPage = (bBanding & 0xFF) == 0;
    if (nBitmapFormat != ARO_BITMAP_MONOCHROME && nBitmapFormat != ARO_BITMAP_COLOUR) {
        if (endsPage) EndOpenPage();
        return ARO_BAND_OK;
    }
    // A page keeps the bitmap type of its first band: rows of the other
    // type have another size, and the page's writer would read beyond them.
    if (!g_job.page.firstBand && nBitmapFormat != g_job.page.format) {
        ARO_LOG("Band refused, Error -2\n");
        if (endsPage) EndOpenPage();
        return ARO_BAND_FAILED;
    }
    return WriteBand(pBits, dwHeight, dwWidth, nBitmapFormat, dwResolution, bBanding);
}

// Single-page mode: the page just ended is a document of its own.
void RestartDocument() {
    ARO_LOG("Multipage selected, call endDocExit\n");
    EndDocExit();
    g_job.phase.setupPending = true;
    g_job.phase.restartSetup = true;
    StartDocExit();
    g_job.phase.restartSetup = false;
}

}  // namespace

void EndOpenPage() {
    if (!g_job.page.out || g_job.page.firstBand || g_job.page.format == 0) return;
    WriteBand(nullptr, 0, 0, g_job.page.format, 0, 0);
}

int16_t StartPageExit() {
    ARO_LOG("In function startPageExit\n");
    // A page left without its closing band ends here: its rows are kept, and
    // the new page gets a directory of its own instead of the old fields.
    EndOpenPage();
    g_job.page.firstBand = true;
    g_job.page.imageHeight = 0;
    return 0;
}

int32_t EndPageExit(unsigned char* pBits, uint32_t dwHeight, uint32_t dwWidth,
                    int32_t nBitmapFormat, int32_t dwResolution, int32_t bBanding) {
    ARO_LOG("In function EndPageExit\n");
    if (g_job.phase.documentStart && !OpenDocumentFile()) return ARO_BAND_NO_FILE;
    g_job.phase.documentStart = false;
    ARO_LOG("Select bitmap format.\n");
    int32_t result = DispatchBand(pBits, dwHeight, dwWidth, nBitmapFormat, dwResolution, bBanding);
    ARO_LOG("Quit function EndPageExit.\n");
    if (bBanding & 0xFF) return result;
    ARO_LOG("No banding\n");
    g_job.phase.firstPage = false;
    if (!g_job.settings.multiPage) RestartDocument();
    return result;
}

}  // namespace aro
