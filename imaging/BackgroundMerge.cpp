// Laying a loaded background under one band of a page, in place.
#include <algorithm>
#include <cstdint>
#include <utility>

#include "imaging/BackgroundLoader.h"
#include "imaging/PageBitmap.h"

namespace aro {

namespace {

constexpr int kMerged = 1;
constexpr int kNoImage = -1;
constexpr int kWrongBits = -2;

// The background row under band row i, or null when the page row lies below
// the background's last row.
const unsigned char* BackgroundRowFor(const PageBitmap& background, uint32_t firstRow,
                                      uint32_t bandRow) {
    const std::uint64_t pageRow = std::uint64_t{firstRow} + bandRow;
    if (pageRow >= background.GetHeight()) return nullptr;
    return background.GetRow(static_cast<uint32_t>(background.GetHeight() - 1 - pageRow));
}

// Byte j of a 1-bit background row, with the bits of pixels beyond the
// background's width cleared (they are padding, possibly inverted).
unsigned char BackgroundByte(const unsigned char* row, std::uint64_t j, uint32_t width) {
    const std::uint64_t firstPixel = j * 8;
    if (firstPixel >= width) return 0;
    const std::uint64_t pixels = width - firstPixel;
    if (pixels >= 8) return row[j];
    return static_cast<unsigned char>(row[j] & (0xFF << (8 - pixels)));
}

void MergeMonochrome(PageBitmap& background, unsigned char* band, uint32_t rows, uint32_t width,
                     uint32_t firstRow) {
    const unsigned char* palette = background.GetPalette();
    if (!palette || PageBitmap::GetNumColors(background.GetDib()) < 2) return;
    // From here on a 1 bit of the background is black.
    if (palette[2] == 0) BackgroundLoader::NormalizeMonoPolarity(background);

    const std::uint64_t bandStride = (std::uint64_t{width} + 31) / 32 * 4;
    const std::uint64_t wholeBytes = width / 8;
    const unsigned partialPixels = width % 8;
    const auto partialMask = static_cast<unsigned char>(0xFF << (8 - partialPixels));
    for (uint32_t i = 0; i < rows; ++i) {
        const unsigned char* backgroundRow = BackgroundRowFor(background, firstRow, i);
        if (!backgroundRow) continue;
        unsigned char* bandRow = band + i * bandStride;
        for (std::uint64_t j = 0; j < wholeBytes; ++j)
            bandRow[j] &= static_cast<unsigned char>(
                ~BackgroundByte(backgroundRow, j, background.GetWidth()));
        // Bits beyond the band's width become 0.
        if (partialPixels != 0)
            bandRow[wholeBytes] &= static_cast<unsigned char>(
                partialMask & ~BackgroundByte(backgroundRow, wholeBytes, background.GetWidth()));
    }
}

void MergeColour(const PageBitmap& background, unsigned char* band, uint32_t rows, uint32_t width,
                 uint32_t firstRow) {
    const std::uint64_t bandStride = (std::uint64_t{width} * 3 + 3) / 4 * 4;
    // Columns beyond the background stay as they are.
    const std::uint64_t pixels = std::min(width, background.GetWidth());
    for (uint32_t i = 0; i < rows; ++i) {
        const unsigned char* backgroundRow = BackgroundRowFor(background, firstRow, i);
        if (!backgroundRow) continue;
        unsigned char* bandPixel = band + i * bandStride;
        const unsigned char* backgroundPixel = backgroundRow;
        for (std::uint64_t x = 0; x < pixels; ++x, bandPixel += 3, backgroundPixel += 3) {
            bandPixel[0] &= backgroundPixel[2];  // red
            bandPixel[1] &= backgroundPixel[1];  // green
            bandPixel[2] &= backgroundPixel[0];  // blue
        }
    }
}

}  // namespace

int BackgroundLoader::MergeBackground(PageBitmap* background, unsigned char* band, uint32_t rows,
                                      uint32_t width, uint32_t firstRow, int bits) {
    if (!background || !band) return kNoImage;
    if ((bits != 1 && bits != 24) || background->GetBitCount() != bits) return kWrongBits;
    if (bits == 1)
        MergeMonochrome(*background, band, rows, width, firstRow);
    else
        MergeColour(*background, band, rows, width, firstRow);
    return kMerged;
}

bool BackgroundLoader::NormalizeMonoPolarity(PageBitmap& bitmap) {
    if (bitmap.GetBitCount() != 1 || !bitmap.GetRow(0)) return false;
    const uint32_t stride = bitmap.GetStride();
    for (uint32_t index = 0; index < bitmap.GetHeight(); ++index) {
        unsigned char* row = bitmap.GetRow(index);
        if (!row) break;
        for (uint32_t i = 0; i < stride; ++i) row[i] = static_cast<unsigned char>(~row[i]);
    }
    unsigned char* palette = bitmap.GetPalette();
    if (palette && PageBitmap::GetNumColors(bitmap.GetDib()) >= 2)
        for (int channel = 0; channel < 3; ++channel)
            std::swap(palette[channel], palette[4 + channel]);
    return true;
}

}  // namespace aro
