// Pages as the host renders them, and printing them in bands.
#pragma once

#include <cstdint>
#include <vector>

#include "WindowsHarness.h"

namespace aro::wtest {

// A 1-bit page (set bit = white), rows padded to 32 bits.
std::vector<unsigned char> MonoPage(uint32_t width, uint32_t rows, int seed);
// Whether the host's pixel is black.
bool HostBlack(const std::vector<unsigned char>& page, uint32_t width, uint32_t x, uint32_t y);
// A 24-bit page (red, green, blue), rows padded to 4 bytes.
std::vector<unsigned char> ColourPage(uint32_t width, uint32_t rows);

// startPageExit, then the page in bands of bandRows rows; the statuses.
std::vector<int> PrintPage(Module& m, std::vector<unsigned char> page, uint32_t width,
                           uint32_t rows, uint32_t bandRows, int format, int dpi = 300);

}  // namespace aro::wtest
