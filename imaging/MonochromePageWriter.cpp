#include "imaging/MonochromePageWriter.h"

#include <tiffio.h>

#include "AroPrinterCfg.h"
#include "config/DiagnosticLog.h"
#include "imaging/BandLimits.h"
#include "imaging/PageBackground.h"
#include "imaging/PageFile.h"
#include "imaging/PageWriter.h"
#include "job/JobContext.h"

namespace aro {

namespace {

int32_t ApplyBackground(unsigned char* pBits, uint32_t dwHeight, uint32_t dwWidth) {
    const char* valueName =
        g_job.phase.firstPage ? "BackgroundImageFirstPage" : "BackgroundImageNextPages";
    if (!PreparePageBackground(valueName)) return ARO_BAND_FAILED;
    if (PageBackgroundBitCount() != 1) return ARO_BAND_BACKGROUND_UNUSED;
    MergePageBackground(pBits, dwHeight, dwWidth, 1);
    return ARO_BAND_OK;
}

void SetPageFields(uint32_t dwHeight, uint32_t dwWidth, int32_t dwResolution) {
    ARO_LOG("First band of the page\n");
    LogNumber("TIFFTAG_RESOLUTIONUNIT=", RESUNIT_INCH);
    TIFFSetField(g_job.page.out, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    LogNumber("TIFFTAG_XRESOLUTION=", dwResolution);
    TIFFSetField(g_job.page.out, TIFFTAG_XRESOLUTION, static_cast<double>(dwResolution));
    LogNumber("TIFFTAG_YRESOLUTION=", dwResolution);
    TIFFSetField(g_job.page.out, TIFFTAG_YRESOLUTION, static_cast<double>(dwResolution));
    TIFFSetField(g_job.page.out, TIFFTAG_IMAGEWIDTH, dwWidth);
    TIFFSetField(g_job.page.out, TIFFTAG_IMAGELENGTH, dwHeight);
    TIFFSetField(g_job.page.out, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
    LogNumber("TIFFTAG_PHOTOMETRIC=", PHOTOMETRIC_MINISWHITE);
    TIFFSetField(g_job.page.out, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(g_job.page.out, TIFFTAG_SAMPLESPERPIXEL, 1);
    LogNumber("TIFFTAG_PLANARCONFIG=", PLANARCONFIG_CONTIG);
    TIFFSetField(g_job.page.out, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(g_job.page.out, TIFFTAG_BITSPERSAMPLE, 1);
    LogNumber("TIFFTAG_ROWSPERSTRIP=", static_cast<int32_t>(dwHeight));
    TIFFSetField(g_job.page.out, TIFFTAG_ROWSPERSTRIP, dwHeight);
}

// Complements each row in place right before it goes to the encoder, so
// that a set bit is black in the file. Stops at a row that cannot be
// written: the file then takes no further page.
void WriteRows(unsigned char* pBits, uint32_t dwHeight, uint32_t dwWidth) {
    const uint64_t rowBytes = MonochromeStride(dwWidth);
    unsigned char* row = pBits;
    for (uint32_t i = 0; i < dwHeight; ++i, row += rowBytes) {
        for (uint64_t b = 0; b < rowBytes; ++b) row[b] = static_cast<unsigned char>(~row[b]);
        if (TIFFWriteScanline(g_job.page.out, row, g_job.page.imageHeight + i, 0) != 1) {
            ARO_LOG("Failed, Error -2\n");
            StopTakingPages();
            return;
        }
    }
}

// The rest of a page whose rows could not be written is not read; the band
// that ends it reports the failure.
int32_t WriteBandRows(unsigned char* pBits, uint32_t dwHeight, uint32_t dwWidth, uint64_t,
                      bool endsPage) {
    if (g_job.page.fileRefusesPages) return ARO_BAND_OK;
    ARO_LOG("Start at the beginning of the image data.\n");
    WriteRows(pBits, dwHeight, dwWidth);
    ARO_LOG("Lines written\n");
    g_job.page.imageHeight += dwHeight;
    if (!endsPage) ARO_LOG("End function AppendTiffG4, Return = 0.\n");
    return ARO_BAND_OK;
}

// Writes the page's directory. False when the page has no row (nothing is
// written: an empty directory would make the whole file unreadable), when
// a write into the file failed before, or when the directory could not be
// written (a full disk): the page is not counted.
bool EndPage() {
    const bool hasRows = !g_job.page.firstBand && !g_job.page.fileRefusesPages;
    ClosePage();
    if (!hasRows) return false;
    TIFFSetField(g_job.page.out, TIFFTAG_IMAGELENGTH, g_job.page.imageHeight);
    if (!TIFFWriteDirectory(g_job.page.out)) {
        ARO_LOG("TIFFWriteDirectory failed, Error -2\n");
        StopTakingPages();
        return false;
    }
    ++g_job.page.pageCount;
    ARO_LOG("No Banding, return.\n");
    return true;
}

// Sets the page's fields on its first band; false when the file cannot
// take them.
bool StartPage(uint32_t dwHeight, uint32_t dwWidth, int32_t dwResolution, uint64_t) {
    SetPageFields(dwHeight, dwWidth, dwResolution);
    return OpenPage(ARO_BITMAP_MONOCHROME, (uint64_t{dwWidth} + 7) / 8);
}

constexpr PageFormat kGroup4Page = {ARO_BITMAP_MONOCHROME,
                                    kMaxMonochromeBandWidth,
                                    MonochromeStride,
                                    ApplyBackground,
                                    StartPage,
                                    WriteBandRows,
                                    EndPage};

}  // namespace

int32_t AppendTiffG4(unsigned char* pBits, uint32_t dwHeight, uint32_t dwWidth,
                     int32_t dwResolution, int32_t bBanding) {
    ARO_LOG("Function AppendTiffG4\n");
    ARO_LOG(TextValue("Height=") + TextValue(static_cast<int32_t>(dwHeight)) +
            ", Width=" + TextValue(static_cast<int32_t>(dwWidth)) + "\n");
    return AppendBand(kGroup4Page, pBits, dwHeight, dwWidth, dwResolution, bBanding);
}

}  // namespace aro
