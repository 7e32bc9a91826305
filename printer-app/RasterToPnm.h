// A page of raster lines as PNM for aro-print's standard input: P5 for grey,
// P6 for colour, one image per page, so that a job's pages stream through
// one pipe and never have to be held whole.
#pragma once

#include <cups/raster.h>

#include <cstddef>
#include <string>
#include <vector>

namespace aro::printerapp {

struct PnmLayout {
    enum class Conversion {
        Copy,      // grey (white = 255) or RGB as it comes
        Invert,    // device black: 0 is white
        CmykToRgb  // 8-bit CMYK, 4 bytes a pixel
    };
    bool colour = false;
    unsigned width = 0, height = 0;
    unsigned dpi = 0;
    size_t inputBytes = 0;  // of one incoming line
    Conversion conversion = Conversion::Copy;
};

// The resolutions aro-print accepts.
constexpr unsigned kMinDpi = 10, kMaxDpi = 2400;

// False with the reason for a page that cannot be streamed: not 8 bits per
// colour, not chunked, an unknown colour space, an empty or impossible size.
bool LayoutForPage(const cups_page_header2_t& header, PnmLayout* layout, std::string* why);

// "P5\n<width> <height>\n255\n" (P6 for colour).
std::string PnmHeader(const PnmLayout& layout);

// The line as PNM samples: the input itself, or converted into buffer.
const unsigned char* PnmLine(const PnmLayout& layout, const unsigned char* line,
                             std::vector<unsigned char>& buffer);

// Bytes of one PNM line.
size_t PnmLineBytes(const PnmLayout& layout);

}  // namespace aro::printerapp
