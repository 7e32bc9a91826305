#include "imaging/BackgroundMerge.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

#include "imaging/BackgroundBitmap.h"
#include "imaging/BackgroundRowSpans.h"

namespace aro {

namespace {

// Index of the background row under band row i (the row at the same
// distance from the top as the page row); false when the page row lies
// below the background's last row.
bool BackgroundRowIndex(const BackgroundBitmap& background, uint32_t firstRow, uint32_t bandRow,
                        uint32_t* index) {
    const std::uint64_t pageRow = std::uint64_t{firstRow} + bandRow;
    if (pageRow >= background.GetHeight()) return false;
    *index = static_cast<uint32_t>(background.GetHeight() - 1 - pageRow);
    return true;
}

// The bytes of a background row that a merge reads: its span when the
// background has spans, else the whole row.
struct RowRange {
    std::uint64_t first;
    std::uint64_t end;
};

RowRange RangeOf(const BackgroundRowSpans* spans, uint32_t index, std::uint64_t rowBytes) {
    if (!spans) return {0, rowBytes};
    const std::uint64_t end = std::min<std::uint64_t>((*spans)[index].end, rowBytes);
    return {std::min<std::uint64_t>((*spans)[index].first, end), end};
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

std::uint64_t Load64(const unsigned char* at) {
    std::uint64_t value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

void Store64(unsigned char* at, std::uint64_t value) {
    std::memcpy(at, &value, sizeof value);
}

// band[j] &= ~background[j] for n bytes, a word at a time.
void ClearBackgroundBlack(unsigned char* band, const unsigned char* background, std::uint64_t n) {
    std::uint64_t j = 0;
    for (; j + 8 <= n; j += 8) Store64(band + j, Load64(band + j) & ~Load64(background + j));
    for (; j < n; ++j) band[j] &= static_cast<unsigned char>(~background[j]);
}

// Bytes outside the range (beyond the background's last pixel, or without
// black) stay as they are, but for the bits beyond the band's width.
void MergeMonochromeRow(const unsigned char* backgroundRow, uint32_t backgroundWidth,
                        RowRange range, unsigned char* bandRow, uint32_t width) {
    const std::uint64_t wholeBytes = width / 8;
    const std::uint64_t end = std::min(wholeBytes, range.end);
    const std::uint64_t first = std::min(range.first, end);
    // Bytes wholly inside the background need no care for its padding.
    const std::uint64_t inside = std::max(first, std::min<std::uint64_t>(end, backgroundWidth / 8));
    ClearBackgroundBlack(bandRow + first, backgroundRow + first, inside - first);
    for (std::uint64_t j = inside; j < end; ++j)
        bandRow[j] &=
            static_cast<unsigned char>(~BackgroundByte(backgroundRow, j, backgroundWidth));
    // Bits beyond the band's width become 0.
    const unsigned partialPixels = width % 8;
    if (partialPixels != 0) {
        const auto partialMask = static_cast<unsigned char>(0xFF << (8 - partialPixels));
        const bool inRange = wholeBytes >= range.first && wholeBytes < range.end;
        const unsigned char black =
            inRange ? BackgroundByte(backgroundRow, wholeBytes, backgroundWidth) : 0;
        bandRow[wholeBytes] &= static_cast<unsigned char>(partialMask & ~black);
    }
}

void MergeMonochrome(BackgroundBitmap& background, unsigned char* band, uint32_t rows,
                     uint32_t width, uint32_t firstRow, const BackgroundRowSpans* spans) {
    const unsigned char* palette = background.GetPalette();
    if (!palette || BackgroundBitmap::GetNumColors(background.GetDib()) < 2) return;
    // From here on a 1 bit of the background is black (spans found before
    // no longer hold).
    if (palette[2] == 0 && NormalizeMonoPolarity(background)) spans = nullptr;

    const std::uint64_t bandStride = (std::uint64_t{width} + 31) / 32 * 4;
    const std::uint64_t rowBytes = (std::uint64_t{background.GetWidth()} + 7) / 8;
    uint32_t index = 0;
    for (uint32_t i = 0; i < rows; ++i) {
        if (!BackgroundRowIndex(background, firstRow, i, &index)) continue;
        if (const unsigned char* backgroundRow = background.GetRow(index))
            MergeMonochromeRow(backgroundRow, background.GetWidth(),
                               RangeOf(spans, index, rowBytes), band + i * bandStride, width);
    }
}

void MergeColourPixels(unsigned char* band, const unsigned char* background, std::uint64_t from,
                       std::uint64_t to) {
    for (std::uint64_t x = from; x < to; ++x) {
        band[3 * x] &= background[3 * x + 2];      // red
        band[3 * x + 1] &= background[3 * x + 1];  // green
        band[3 * x + 2] &= background[3 * x];      // blue
    }
}

// The bytes of word `word` of a 24-byte run of pixels that are byte `place`
// of their pixel (built in memory order, whatever the byte order).
std::uint64_t PlaceMask(int word, int place) {
    unsigned char bytes[8];
    for (int b = 0; b < 8; ++b) bytes[b] = (word * 8 + b) % 3 == place ? 0xFF : 0;
    return Load64(bytes);
}

// Band pixels are red, green, blue and background pixels blue, green, red:
// a band byte meets the background byte 2 places later, at its own place or
// 2 places earlier. Over 8 pixels (three words) three shifted reads of the
// background, each masked to its places, put it in the band's order.
void MergeColourRow(unsigned char* band, const unsigned char* background, std::uint64_t from,
                    std::uint64_t to) {
    static const std::uint64_t kRed[3] = {PlaceMask(0, 0), PlaceMask(1, 0), PlaceMask(2, 0)};
    static const std::uint64_t kGreen[3] = {PlaceMask(0, 1), PlaceMask(1, 1), PlaceMask(2, 1)};
    static const std::uint64_t kBlue[3] = {PlaceMask(0, 2), PlaceMask(1, 2), PlaceMask(2, 2)};
    // From the second pixel on, the read 2 bytes earlier stays inside the row.
    std::uint64_t x = from == 0 ? std::min<std::uint64_t>(to, 1) : from;
    MergeColourPixels(band, background, from, x);
    // The read 2 bytes later stays inside the row while a pixel follows the run.
    for (; x + 9 <= to; x += 8) {
        unsigned char* b = band + 3 * x;
        const unsigned char* g = background + 3 * x;
        for (int w = 0; w < 3; ++w) {
            const std::uint64_t ordered = (Load64(g + 8 * w + 2) & kRed[w]) |
                                          (Load64(g + 8 * w) & kGreen[w]) |
                                          (Load64(g + 8 * w - 2) & kBlue[w]);
            Store64(b + 8 * w, Load64(b + 8 * w) & ordered);
        }
    }
    MergeColourPixels(band, background, x, to);
}

void MergeColour(const BackgroundBitmap& background, unsigned char* band, uint32_t rows,
                 uint32_t width, uint32_t firstRow, const BackgroundRowSpans* spans) {
    const std::uint64_t bandStride = (std::uint64_t{width} * 3 + 3) / 4 * 4;
    // Columns beyond the background stay as they are.
    const std::uint64_t pixels = std::min(width, background.GetWidth());
    uint32_t index = 0;
    for (uint32_t i = 0; i < rows; ++i) {
        if (!BackgroundRowIndex(background, firstRow, i, &index)) continue;
        const unsigned char* backgroundRow = background.GetRow(index);
        if (!backgroundRow) continue;
        const RowRange range = RangeOf(spans, index, pixels * 3);
        MergeColourRow(band + i * bandStride, backgroundRow, range.first / 3, range.end / 3);
    }
}

}  // namespace

BackgroundMergeResult MergeBackground(BackgroundBitmap* background, unsigned char* band,
                                      uint32_t rows, uint32_t width, uint32_t firstRow, int bits) {
    return MergeBackground(background, band, rows, width, firstRow, bits, nullptr);
}

BackgroundMergeResult MergeBackground(BackgroundBitmap* background, unsigned char* band,
                                      uint32_t rows, uint32_t width, uint32_t firstRow, int bits,
                                      const BackgroundRowSpans* spans) {
    if (!background || !band) return kMergeWithoutImage;
    if ((bits != 1 && bits != 24) || background->GetBitCount() != bits) return kMergeWrongBits;
    if (spans && spans->size() != background->GetHeight()) spans = nullptr;
    if (bits == 1)
        MergeMonochrome(*background, band, rows, width, firstRow, spans);
    else
        MergeColour(*background, band, rows, width, firstRow, spans);
    return kBackgroundMerged;
}

bool NormalizeMonoPolarity(BackgroundBitmap& bitmap) {
    if (bitmap.GetBitCount() != 1 || !bitmap.GetRow(0)) return false;
    const uint32_t stride = bitmap.GetStride();
    for (uint32_t index = 0; index < bitmap.GetHeight(); ++index) {
        unsigned char* row = bitmap.GetRow(index);
        if (!row) break;
        for (uint32_t i = 0; i < stride; ++i) row[i] = static_cast<unsigned char>(~row[i]);
    }
    unsigned char* palette = bitmap.GetPalette();
    if (palette && BackgroundBitmap::GetNumColors(bitmap.GetDib()) >= 2)
        for (int channel = 0; channel < 3; ++channel)
            std::swap(palette[channel], palette[4 + channel]);
    return true;
}

}  // namespace aro
