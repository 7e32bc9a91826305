#include "imaging/BackgroundPixelReader.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <utility>

#include "imaging/BackgroundBitmap.h"

namespace aro {

namespace {

struct FreeDeleter {
    void operator()(void* block) const { std::free(block); }
};

void CopyRasterRow(const uint32_t* pixels, uint32_t width, unsigned char* row) {
    for (uint32_t x = 0; x < width; ++x) {
        row[3 * std::size_t{x}] = static_cast<unsigned char>(TIFFGetB(pixels[x]));
        row[3 * std::size_t{x} + 1] = static_cast<unsigned char>(TIFFGetG(pixels[x]));
        row[3 * std::size_t{x} + 2] = static_cast<unsigned char>(TIFFGetR(pixels[x]));
    }
}

}  // namespace

bool ReadRgbaPixels(TIFF* tif, BackgroundBitmap& bitmap) {
    const uint32_t width = bitmap.GetWidth();
    const uint32_t height = bitmap.GetHeight();
    const std::uint64_t pixels = std::uint64_t{width} * height;
    if (pixels == 0) return true;
    if (bitmap.GetBitCount() != 24 || pixels > SIZE_MAX / sizeof(uint32_t)) return false;
    std::unique_ptr<uint32_t, FreeDeleter> raster(
        static_cast<uint32_t*>(std::calloc(pixels, sizeof(uint32_t))));
    if (!raster) return false;
    // A failing read would leave black pixels: refuse the image instead.
    if (!TIFFReadRGBAImage(tif, width, height, raster.get(), 0)) return false;
    // Raster row 0 is the bottom row, as bitmap row 0 is.
    for (uint32_t y = 0; y < height; ++y) {
        unsigned char* row = bitmap.GetRow(y);
        if (!row) return false;
        CopyRasterRow(raster.get() + std::size_t{y} * width, width, row);
    }
    return true;
}

std::size_t FileRowBytesInBitmap(TIFF* tif, const BackgroundBitmap& bitmap) {
    const std::uint64_t fileRowBytes = TIFFScanlineSize64(tif);
    if (fileRowBytes == 0 || fileRowBytes > bitmap.GetStride()) return 0;
    return static_cast<std::size_t>(fileRowBytes);
}

bool ReadScanlinePixels(TIFF* tif, BackgroundBitmap& bitmap) {
    const uint32_t height = bitmap.GetHeight();
    if (height == 0) return true;
    const std::size_t rowBytes = FileRowBytesInBitmap(tif, bitmap);
    if (rowBytes == 0) return false;
    for (uint32_t fileRow = 0; fileRow < height; ++fileRow) {
        unsigned char* row = bitmap.GetRow(height - 1 - fileRow);
        if (!row) return false;
        // A row that fails to decode stays as it was (zero).
        TIFFReadScanline(tif, row, fileRow, 0);
        FinishBitmapRow(row, bitmap);
    }
    return true;
}

void FinishBitmapRow(unsigned char* row, const BackgroundBitmap& bitmap) {
    const uint16_t bitCount = bitmap.GetBitCount();
    if (bitCount >= 24) {
        const std::size_t pixelBytes = bitCount / 8;
        const std::size_t pixels =
            std::min<std::size_t>(bitmap.GetWidth(), bitmap.GetStride() / pixelBytes);
        for (std::size_t x = 0; x < pixels; ++x)
            std::swap(row[x * pixelBytes], row[x * pixelBytes + 2]);
    }
}

}  // namespace aro
