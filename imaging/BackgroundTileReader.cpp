#include "imaging/BackgroundTileReader.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "imaging/BackgroundBitmap.h"
#include "imaging/BackgroundImageInfo.h"
#include "imaging/BackgroundPixelReader.h"

namespace aro {

namespace {

// Tiles of a background are a few hundred KB; a larger claim is a broken file.
constexpr std::uint64_t kMaxTileBytes = std::uint64_t{64} << 20;

struct FreeDeleter {
    void operator()(void* block) const { std::free(block); }
};

// Where the tiles of one image go in the bitmap's rows.
struct TileGeometry {
    uint32_t tileWidth;
    uint32_t tileLength;
    std::uint64_t bitsPerPixel;
    std::uint64_t tileRowBytes;
    std::size_t tileBytes;
    std::size_t bitmapRowBytes;
};

bool DescribeTiles(TIFF* tif, const BackgroundImageInfo& info, const BackgroundBitmap& bitmap,
                   TileGeometry* geometry) {
    geometry->tileWidth = info.tileWidth;
    geometry->tileLength = info.tileLength;
    geometry->bitsPerPixel = std::uint64_t{info.samplesPerPixel} * info.bitsPerSample;
    geometry->tileRowBytes = TIFFTileRowSize64(tif);
    geometry->bitmapRowBytes = FileRowBytesInBitmap(tif, bitmap);
    const std::uint64_t tileBytes = TIFFTileSize64(tif);
    geometry->tileBytes = static_cast<std::size_t>(std::min(tileBytes, kMaxTileBytes));
    if (geometry->tileWidth == 0 || geometry->tileLength == 0 || geometry->bitmapRowBytes == 0)
        return false;
    // Every tile must start on a byte boundary of the row.
    if (geometry->tileWidth * geometry->bitsPerPixel % 8 != 0) return false;
    return tileBytes != 0 && tileBytes <= kMaxTileBytes &&
           geometry->tileRowBytes * geometry->tileLength <= tileBytes;
}

// Copies the rows of the tile at (x0, y0) that lie inside the image.
void PlaceTile(const unsigned char* tile, uint32_t x0, uint32_t y0, const TileGeometry& geometry,
               BackgroundBitmap& bitmap) {
    const uint32_t width = bitmap.GetWidth();
    const uint32_t height = bitmap.GetHeight();
    const std::uint64_t columns = std::min<std::uint64_t>(geometry.tileWidth, width - x0);
    const std::uint64_t offset = std::uint64_t{x0} * geometry.bitsPerPixel / 8;
    const std::uint64_t bytes = (columns * geometry.bitsPerPixel + 7) / 8;
    if (bytes > geometry.tileRowBytes || offset + bytes > geometry.bitmapRowBytes) return;
    const std::uint64_t rows = std::min<std::uint64_t>(geometry.tileLength, height - y0);
    for (std::uint64_t r = 0; r < rows; ++r) {
        unsigned char* row = bitmap.GetRow(static_cast<uint32_t>(height - 1 - (y0 + r)));
        if (row) std::memcpy(row + offset, tile + r * geometry.tileRowBytes, bytes);
    }
}

}  // namespace

bool ReadTilePixels(TIFF* tif, const BackgroundImageInfo& info, BackgroundBitmap& bitmap) {
    const uint32_t width = bitmap.GetWidth();
    const uint32_t height = bitmap.GetHeight();
    if (width == 0 || height == 0) return true;
    TileGeometry geometry{};
    if (!DescribeTiles(tif, info, bitmap, &geometry)) return false;
    std::unique_ptr<unsigned char, FreeDeleter> tile(
        static_cast<unsigned char*>(std::malloc(geometry.tileBytes)));
    if (!tile) return false;
    for (std::uint64_t y0 = 0; y0 < height; y0 += geometry.tileLength) {
        for (std::uint64_t x0 = 0; x0 < width; x0 += geometry.tileWidth) {
            // A tile that fails to decode leaves its part of the image zero.
            std::memset(tile.get(), 0, geometry.tileBytes);
            if (TIFFReadTile(tif, tile.get(), static_cast<uint32_t>(x0), static_cast<uint32_t>(y0),
                             0, 0) < 0)
                continue;
            PlaceTile(tile.get(), static_cast<uint32_t>(x0), static_cast<uint32_t>(y0), geometry,
                      bitmap);
        }
    }
    for (uint32_t index = 0; index < height; ++index)
        if (unsigned char* row = bitmap.GetRow(index)) FinishBitmapRow(row, bitmap);
    return true;
}

}  // namespace aro
