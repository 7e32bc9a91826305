#include "imaging/ColourPageWriter.h"

#include <tiffio.h>

#include <cstdlib>
#include <cstring>

#include "AroPrinterCfg.h"
#include "config/DiagnosticLog.h"
#include "imaging/BandLimits.h"
#include "imaging/PageBackground.h"
#include "imaging/PageFile.h"
#include "imaging/PageWriter.h"
#include "job/JobContext.h"

namespace aro {

namespace {

// Anything larger than this per strip is not a printed page.
constexpr uint64_t kMaxStripBufferBytes = uint64_t(1) << 30;

int32_t ApplyBackground(unsigned char* pBits, uint32_t dwHeight, uint32_t dwWidth) {
    const char* valueName =
        g_job.phase.firstPage ? "BackgroundImageFirstPageColor" : "BackgroundImageNextPagesColor";
    if (!PreparePageBackground(valueName)) return ARO_BAND_FAILED;
    ARO_LOG("AppendJPEG: iError = 0\n");
    uint16_t bitCount = PageBackgroundBitCount();
    if (bitCount != 24) {
        LogNumber("AppendJPEG: Error: bbp = ", bitCount);
        return ARO_BAND_BACKGROUND_UNUSED;
    }
    MergePageBackground(pBits, dwHeight, dwWidth, 24);
    ARO_LOG(TextValue("Merge: dwHeight = ") + TextValue(static_cast<int32_t>(dwHeight)) +
            "g_dwImageHeight = " + TextValue(static_cast<int32_t>(g_job.page.imageHeight)) + "\n");
    return ARO_BAND_OK;
}

void SetPageFields(uint32_t dwHeight, uint32_t dwWidth, int32_t dwResolution) {
    ARO_LOG("FirstBand\n");
    ARO_LOG("TIFFTAG_RESOLUTIONUNIT=2\n");
    TIFFSetField(g_job.page.out, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    LogNumber("TIFFTAG_XRESOLUTION=", dwResolution);
    TIFFSetField(g_job.page.out, TIFFTAG_XRESOLUTION, static_cast<double>(dwResolution));
    LogNumber("TIFFTAG_YRESOLUTION=", dwResolution);
    TIFFSetField(g_job.page.out, TIFFTAG_YRESOLUTION, static_cast<double>(dwResolution));
    LogNumber("TIFFTAG_IMAGEWIDTH=", static_cast<int32_t>(dwWidth));
    TIFFSetField(g_job.page.out, TIFFTAG_IMAGEWIDTH, dwWidth);
    LogNumber("TIFFTAG_IMAGELENGTH(Height)=", static_cast<int32_t>(dwHeight));
    TIFFSetField(g_job.page.out, TIFFTAG_IMAGELENGTH, dwHeight);
    LogNumber("TIFFTAG_COMPRESSION=", COMPRESSION_JPEG);
    TIFFSetField(g_job.page.out, TIFFTAG_COMPRESSION, COMPRESSION_JPEG);
    LogNumber("TIFFTAG_PHOTOMETRIC=", PHOTOMETRIC_RGB);
    TIFFSetField(g_job.page.out, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    ARO_LOG("TIFFTAG_SAMPLESPERPIXEL=3\n");
    TIFFSetField(g_job.page.out, TIFFTAG_SAMPLESPERPIXEL, 3);
    LogNumber("TIFFTAG_PLANARCONFIG=", PLANARCONFIG_CONTIG);
    TIFFSetField(g_job.page.out, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    ARO_LOG("TIFFTAG_BITSPERSAMPLE=8\n");
    TIFFSetField(g_job.page.out, TIFFTAG_BITSPERSAMPLE, 8);
    LogNumber("TIFFTAG_ROWSPERSTRIP=", static_cast<int32_t>(kTiffRowsPerStrip));
    TIFFSetField(g_job.page.out, TIFFTAG_ROWSPERSTRIP, kTiffRowsPerStrip);
}

// One staging buffer per page, room for 16 padded rows.
bool AllocateStripBuffer(uint64_t stride) {
    ReleaseStripBuffer();
    uint64_t bytes = stride * 16;
    if (bytes == 0 || bytes > kMaxStripBufferBytes) return false;
    g_job.page.stripBuffer =
        static_cast<unsigned char*>(std::malloc(static_cast<std::size_t>(bytes)));
    return g_job.page.stripBuffer != nullptr;
}

// Encodes the staged rows as the strip that holds page row firstRow. A
// strip that cannot be written (a full disk, the 4 GiB limit of classic
// TIFF) costs the page: the file takes no further page.
bool WriteStagedStrip(uint32_t firstRow, uint64_t rowBytes) {
    uint32_t strip = firstRow / kTiffRowsPerStrip;
    if (g_job.page.stagedRows < kTiffRowsPerStrip) ARO_LOG("Rows < m_TiffRowsPerStrip\n");
    LogNumber("TIFFWriteEncodedStrip=", static_cast<int32_t>(strip));
    const tmsize_t bytes = static_cast<tmsize_t>(g_job.page.stagedRows * rowBytes);
    g_job.page.stagedRows = 0;
    if (TIFFWriteEncodedStrip(g_job.page.out, strip, g_job.page.stripBuffer, bytes) == bytes)
        return true;
    StopTakingPages();
    return false;
}

// The page's rows still waiting in the staging buffer (a page that ends
// with a band of no rows, or a refused band) go out as its last strip.
bool FlushStagedRows() {
    uint32_t width = 0;
    if (!g_job.page.stripBuffer || g_job.page.stagedRows == 0) return true;
    if (TIFFGetField(g_job.page.out, TIFFTAG_IMAGEWIDTH, &width) != 1) return false;
    return WriteStagedStrip(g_job.page.imageHeight - g_job.page.stagedRows, uint64_t{width} * 3);
}

// Copies the band's rows packed into the staging buffer and writes every
// full strip. Rows of a strip that the band does not fill wait for the next
// band, so that a band of any height loses no row; bands of a multiple of 8
// rows write their strips as page rows / 8 + k. Stops at a strip that
// cannot be written.
void WriteStrips(const unsigned char* pBits, uint32_t dwHeight, uint64_t rowBytes, uint64_t stride,
                 bool endsPage) {
    ARO_LOG(TextValue("Start for, dwHeight=") + TextValue(static_cast<int32_t>(dwHeight)) + "\n");
    // The codec takes a strip's height from ImageLength, so the page must
    // already be as tall as the rows this band brings.
    uint32_t pageRows = g_job.page.imageHeight + dwHeight;
    if (dwHeight > 0) TIFFSetField(g_job.page.out, TIFFTAG_IMAGELENGTH, pageRows);
    uint32_t stripFirstRow = g_job.page.imageHeight - g_job.page.stagedRows;
    for (uint32_t r = 0; r < dwHeight; ++r) {
        std::memcpy(g_job.page.stripBuffer + g_job.page.stagedRows * rowBytes, pBits + r * stride,
                    static_cast<std::size_t>(rowBytes));
        if (++g_job.page.stagedRows == kTiffRowsPerStrip) {
            if (!WriteStagedStrip(stripFirstRow, rowBytes)) return;
            stripFirstRow += kTiffRowsPerStrip;
        }
    }
    if (!endsPage || g_job.page.stagedRows == 0) return;
    // A closing band of no rows may claim any width: the staged rows have
    // the page's.
    if (dwHeight == 0)
        FlushStagedRows();
    else
        WriteStagedStrip(stripFirstRow, rowBytes);
}

// Writes the page's directory. False when the page has no row (nothing is
// written: an empty directory would make the whole file unreadable), when
// a write into the file failed, or when the directory could not be written
// (a full disk): the page is not counted.
bool EndPage() {
    ARO_LOG("No banding\n");
    bool written = false;
    if (!g_job.page.firstBand && !g_job.page.fileRefusesPages && FlushStagedRows()) {
        TIFFSetField(g_job.page.out, TIFFTAG_IMAGELENGTH, g_job.page.imageHeight);
        ARO_LOG("TIFFWriteDirectory\n");
        written = TIFFWriteDirectory(g_job.page.out) == 1;
        if (written)
            ++g_job.page.pageCount;
        else
            StopTakingPages();
    }
    ClosePage();
    ARO_LOG("Freeze buffer\n");
    ReleaseStripBuffer();
    ARO_LOG("Return iFile\n");
    return written;
}

// Sets the page's fields and its staging buffer on its first band; false
// when the file cannot take the fields.
bool StartPage(uint32_t dwHeight, uint32_t dwWidth, int32_t dwResolution, uint64_t stride) {
    SetPageFields(dwHeight, dwWidth, dwResolution);
    if (!OpenPage(ARO_BITMAP_COLOUR, uint64_t{dwWidth} * 3)) return false;
    AllocateStripBuffer(stride);
    return true;
}

// Without a staging buffer (no memory) the band's rows are missing from
// the page: reported even on the page's last band. Once a strip failed,
// the rest of the page is not read; its last band reports the failure.
int32_t WriteBandRows(unsigned char* pBits, uint32_t dwHeight, uint32_t dwWidth, uint64_t stride,
                      bool endsPage) {
    ARO_LOG("FirstBand written\n");
    int32_t bandStatus = ARO_BAND_OK;
    if (g_job.page.stripBuffer && !g_job.page.fileRefusesPages) {
        WriteStrips(pBits, dwHeight, uint64_t{dwWidth} * 3, stride, endsPage);
        g_job.page.imageHeight += dwHeight;
    } else if (!g_job.page.fileRefusesPages) {
        bandStatus = ARO_BAND_FAILED;
    }
    if (!endsPage) ARO_LOG("End function AppendTiffJPEG, Retun = 0\n");
    return bandStatus;
}

constexpr PageFormat kJpegPage = {
    ARO_BITMAP_COLOUR, kMaxColourBandWidth, ColourStride, ApplyBackground,
    StartPage,         WriteBandRows,       EndPage};

}  // namespace

void ReleaseStripBuffer() {
    std::free(g_job.page.stripBuffer);
    g_job.page.stripBuffer = nullptr;
    g_job.page.stagedRows = 0;
}

int32_t AppendTiffJPEG(unsigned char* pBits, uint32_t dwHeight, uint32_t dwWidth,
                       int32_t dwResolution, int32_t bBanding) {
    ARO_LOG("Start function AppendTiffJPEG\n");
    return AppendBand(kJpegPage, pBits, dwHeight, dwWidth, dwResolution, bBanding);
}

}  // namespace aro
