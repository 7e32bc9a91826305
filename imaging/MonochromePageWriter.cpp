#include "imaging/MonochromePageWriter.h"

#include <tiffio.h>

#include "config/DiagnosticLog.h"
#include "exits/JobContext.h"
#include "exits/JobMessages.h"
#include "imaging/PageBackground.h"

namespace aro {

namespace {

int32_t ApplyBackground(unsigned char* pBits, uint32_t dwHeight, uint32_t dwWidth) {
    const char* valueName = g_bFirstPage ? "BackgroundImageFirstPage" : "BackgroundImageNextPages";
    if (!PreparePageBackground(valueName)) return -2;
    if (PageBackgroundBitCount() != 1) return -3;
    MergePageBackground(pBits, dwHeight, dwWidth, 1);
    return 0;
}

void SetPageFields(uint32_t dwHeight, uint32_t dwWidth, int32_t dwResolution) {
    ARO_LOG("First band of the page\n");
    LogNumber("TIFFTAG_RESOLUTIONUNIT=", RESUNIT_INCH);
    TIFFSetField(g_out, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    LogNumber("TIFFTAG_XRESOLUTION=", dwResolution);
    TIFFSetField(g_out, TIFFTAG_XRESOLUTION, static_cast<double>(dwResolution));
    LogNumber("TIFFTAG_YRESOLUTION=", dwResolution);
    TIFFSetField(g_out, TIFFTAG_YRESOLUTION, static_cast<double>(dwResolution));
    TIFFSetField(g_out, TIFFTAG_IMAGEWIDTH, dwWidth);
    TIFFSetField(g_out, TIFFTAG_IMAGELENGTH, dwHeight);
    TIFFSetField(g_out, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
    LogNumber("TIFFTAG_PHOTOMETRIC=", PHOTOMETRIC_MINISWHITE);
    TIFFSetField(g_out, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(g_out, TIFFTAG_SAMPLESPERPIXEL, 1);
    LogNumber("TIFFTAG_PLANARCONFIG=", PLANARCONFIG_CONTIG);
    TIFFSetField(g_out, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(g_out, TIFFTAG_BITSPERSAMPLE, 1);
    LogNumber("TIFFTAG_ROWSPERSTRIP=", static_cast<int32_t>(dwHeight));
    TIFFSetField(g_out, TIFFTAG_ROWSPERSTRIP, dwHeight);
}

// Complements each row in place right before it goes to the encoder, so
// that a set bit is black in the file. Returns 0, or -2 when a row failed.
int32_t WriteRows(unsigned char* pBits, uint32_t dwHeight, uint32_t dwWidth) {
    // 64-bit, so that a width near the 32-bit limit cannot wrap the row size.
    const uint64_t rowBytes = (static_cast<uint64_t>(dwWidth) + 31) / 32 * 4;
    if (dwHeight > 0 && !pBits) {
        ARO_LOG("Failed, Error -2\n");
        return -2;
    }
    unsigned char* row = pBits;
    for (uint32_t i = 0; i < dwHeight; ++i, row += rowBytes) {
        for (uint64_t b = 0; b < rowBytes; ++b) row[b] = static_cast<unsigned char>(~row[b]);
        if (TIFFWriteScanline(g_out, row, g_dwImageHeight + i, 0) != 1) {
            ARO_LOG("Failed, Error -2\n");
            return -2;
        }
    }
    return 0;
}

}  // namespace

int32_t AppendTiffG4(unsigned char* pBits, uint32_t dwHeight, uint32_t dwWidth,
                     int32_t dwResolution, int32_t bBanding) {
    ARO_LOG("Function AppendTiffG4\n");
    ARO_LOG(StringBuilder("Height=") + StringBuilder(static_cast<int32_t>(dwHeight)) +
            ", Width=" + StringBuilder(static_cast<int32_t>(dwWidth)) + "\n");
    if (!g_out) {
        ShowCannotOpenTiffMessage();
        return -1;
    }
    int32_t backgroundStatus = g_bBackgroundImage ? ApplyBackground(pBits, dwHeight, dwWidth) : 0;
    if (g_bFirstBand) SetPageFields(dwHeight, dwWidth, dwResolution);
    g_bFirstBand = false;
    ARO_LOG("Start at the beginning of the image data.\n");
    int32_t writeStatus = WriteRows(pBits, dwHeight, dwWidth);
    ARO_LOG("Lines written\n");
    g_dwImageHeight += dwHeight;
    if (bBanding & 0xFF) {
        ARO_LOG("End function AppendTiffG4, Return = 0.\n");
        return backgroundStatus;
    }
    TIFFSetField(g_out, TIFFTAG_IMAGELENGTH, g_dwImageHeight);
    TIFFWriteDirectory(g_out);
    ++g_nPageCount;
    ARO_LOG("No Banding, return.\n");
    return writeStatus;
}

}  // namespace aro
