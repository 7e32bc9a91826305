// The baseline: the least a program must do with libtiff to store the
// module's bands as the module stores them (same tags, same compression,
// same strips), with nothing else around it.
#pragma once

#include <string>
#include <vector>

#include "PrintBitmap.h"

typedef struct tiff TIFF;

namespace aro::bench {

class DirectTiffWriter {
public:
    DirectTiffWriter() = default;
    ~DirectTiffWriter();
    DirectTiffWriter(const DirectTiffWriter&) = delete;
    DirectTiffWriter& operator=(const DirectTiffWriter&) = delete;

    bool Open(const std::string& path);
    void Close();

    // A 1-bit page (set bit = white) as Group 4, MinIsWhite, strips of
    // bandRows rows, written with TIFFWriteScanline.
    bool WriteMonochromePage(const host::PrintBitmap& page, unsigned bandRows, int dpi);
    // A 24-bit page as JPEG RGB in strips of 8 rows (TIFFWriteEncodedStrip).
    bool WriteColourPage(const host::PrintBitmap& page, int dpi);

private:
    TIFF* m_tif = nullptr;
    std::vector<unsigned char> m_row;
};

}  // namespace aro::bench
