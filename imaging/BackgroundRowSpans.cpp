#include "imaging/BackgroundRowSpans.h"

#include <cstddef>

#include "imaging/BackgroundBitmap.h"

namespace aro {

namespace {

constexpr unsigned char kWhite = 0xFF;

// A 1-bit row: the bytes with a black pixel (bits beyond the width are
// padding, whatever their value).
BackgroundRowSpan BlackBytes(const unsigned char* row, uint32_t width) {
    const uint32_t bytes = width / 8 + (width % 8 != 0);
    BackgroundRowSpan span;
    for (uint32_t j = 0; j < bytes; ++j) {
        const unsigned pixels = width - j * 8 < 8 ? width - j * 8 : 8;
        if ((row[j] & (0xFF << (8 - pixels)) & 0xFF) == 0) continue;
        if (span.first == span.end) span.first = j;
        span.end = j + 1;
    }
    return span;
}

// A 24-bit row: the pixels that are not white, in bytes.
BackgroundRowSpan ColouredPixels(const unsigned char* row, uint32_t width) {
    BackgroundRowSpan span;
    for (uint32_t x = 0; x < width; ++x) {
        const unsigned char* pixel = row + std::size_t{x} * 3;
        if (pixel[0] == kWhite && pixel[1] == kWhite && pixel[2] == kWhite) continue;
        if (span.first == span.end) span.first = x * 3;
        span.end = x * 3 + 3;
    }
    return span;
}

}  // namespace

BackgroundRowSpans FindBackgroundRowSpans(const BackgroundBitmap& bitmap) {
    const uint16_t bitCount = bitmap.GetBitCount();
    if (bitCount != 1 && bitCount != 24) return {};
    BackgroundRowSpans spans(bitmap.GetHeight());
    for (uint32_t index = 0; index < bitmap.GetHeight(); ++index) {
        const unsigned char* row = bitmap.GetRow(index);
        if (!row) return {};
        spans[index] = bitCount == 1 ? BlackBytes(row, bitmap.GetWidth())
                                     : ColouredPixels(row, bitmap.GetWidth());
    }
    return spans;
}

}  // namespace aro
