// What a band must be before a page writer touches it. The host passes no
// buffer size: a band is trusted to hold rows x stride bytes. Sizes no
// printer sends are refused, so that neither the writers nor the
// background merge read or write beyond a real band.
#pragma once

#include <cstdint>

namespace aro {

// Widest band in pixels: JPEG's own limit for colour pages; monochrome
// pages as wide as a 16-bit page side (5.5 m at 300 dpi).
constexpr uint32_t kMaxMonochromeBandWidth = 65535;
constexpr uint32_t kMaxColourBandWidth = 65500;
// Largest band in bytes.
constexpr uint64_t kMaxBandBytes = uint64_t{1} << 31;

// Bytes from one row of a band to the next.
uint64_t MonochromeStride(uint32_t width);
uint64_t ColourStride(uint32_t width);

// True when the band may be used: at least one column and at most
// maxWidth, rows x stride within kMaxBandBytes, pixels given unless it has
// no rows, the page's rows still countable in 32 bits, and (after the
// page's first band) the page's width.
bool IsUsableBand(const unsigned char* pBits, uint32_t rows, uint32_t width, uint32_t maxWidth,
                  uint64_t stride);

}  // namespace aro
