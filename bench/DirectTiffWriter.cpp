#include "DirectTiffWriter.h"

#include <tiffio.h>

#include <algorithm>
#include <cstring>

namespace aro::bench {

namespace {

constexpr uint32_t kColourRowsPerStrip = 8;

void SetCommonFields(TIFF* tif, const host::PrintBitmap& page, int dpi) {
    TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    TIFFSetField(tif, TIFFTAG_XRESOLUTION, static_cast<double>(dpi));
    TIFFSetField(tif, TIFFTAG_YRESOLUTION, static_cast<double>(dpi));
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, page.width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, page.height);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
}

// The file stores set bit = black: each row is complemented, a machine
// word at a time, into a scratch row.
void ComplementRow(const unsigned char* in, unsigned char* out, size_t bytes) {
    size_t i = 0;
    for (; i + sizeof(uint64_t) <= bytes; i += sizeof(uint64_t)) {
        uint64_t word;
        std::memcpy(&word, in + i, sizeof word);
        word = ~word;
        std::memcpy(out + i, &word, sizeof word);
    }
    for (; i < bytes; ++i) out[i] = static_cast<unsigned char>(~in[i]);
}

}  // namespace

DirectTiffWriter::~DirectTiffWriter() {
    Close();
}

bool DirectTiffWriter::Open(const std::string& path) {
    Close();
    m_tif = TIFFOpen(path.c_str(), "w");
    return m_tif != nullptr;
}

void DirectTiffWriter::Close() {
    if (m_tif) TIFFClose(m_tif);
    m_tif = nullptr;
}

bool DirectTiffWriter::WriteMonochromePage(const host::PrintBitmap& page, unsigned bandRows,
                                           int dpi) {
    SetCommonFields(m_tif, page, dpi);
    TIFFSetField(m_tif, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
    TIFFSetField(m_tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(m_tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(m_tif, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(m_tif, TIFFTAG_ROWSPERSTRIP, std::min<uint32_t>(bandRows, page.height));
    m_row.resize(page.stride);
    bool written = true;
    for (uint32_t y = 0; y < page.height && written; ++y) {
        ComplementRow(page.bits.data() + y * page.stride, m_row.data(), page.stride);
        written = TIFFWriteScanline(m_tif, m_row.data(), y, 0) == 1;
    }
    return TIFFWriteDirectory(m_tif) && written;
}

bool DirectTiffWriter::WriteColourPage(const host::PrintBitmap& page, int dpi) {
    SetCommonFields(m_tif, page, dpi);
    TIFFSetField(m_tif, TIFFTAG_COMPRESSION, COMPRESSION_JPEG);
    TIFFSetField(m_tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(m_tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(m_tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(m_tif, TIFFTAG_ROWSPERSTRIP, kColourRowsPerStrip);
    const size_t rowBytes = size_t{page.width} * 3;
    bool written = true;
    for (uint32_t top = 0, strip = 0; top < page.height && written;
         top += kColourRowsPerStrip, ++strip) {
        const uint32_t rows = std::min(kColourRowsPerStrip, page.height - top);
        const unsigned char* first = page.bits.data() + top * page.stride;
        // Rows without padding are a strip as they stand; others are packed.
        unsigned char* data = const_cast<unsigned char*>(first);
        if (page.stride != rowBytes) {
            m_row.resize(rowBytes * kColourRowsPerStrip);
            for (uint32_t r = 0; r < rows; ++r)
                std::memcpy(m_row.data() + r * rowBytes, first + r * page.stride, rowBytes);
            data = m_row.data();
        }
        written =
            TIFFWriteEncodedStrip(m_tif, strip, data, static_cast<tmsize_t>(rows * rowBytes)) >= 0;
    }
    return TIFFWriteDirectory(m_tif) && written;
}

}  // namespace aro::bench
