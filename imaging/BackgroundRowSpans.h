// Where a kept background can change a page: for each row, the bytes
// outside of which it is white (1-bit: no black bit; 24-bit: white pixels),
// so that merges need not read them.
#pragma once

#include <cstdint>
#include <vector>

namespace aro {

class BackgroundBitmap;

// Bytes [first, end) of a row; empty when first equals end. In 24-bit rows
// both lie on pixel boundaries.
struct BackgroundRowSpan {
    uint32_t first = 0;
    uint32_t end = 0;
};

// Indexed like the bitmap's rows (0 is the bottom row).
using BackgroundRowSpans = std::vector<BackgroundRowSpan>;

// The spans of a 1-bit background whose 1 bits are black, or of a 24-bit
// one; empty for any other bitmap. Valid while its pixels stay unchanged.
BackgroundRowSpans FindBackgroundRowSpans(const BackgroundBitmap& bitmap);

}  // namespace aro
