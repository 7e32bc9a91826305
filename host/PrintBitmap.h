// A page in the layout the exit module takes: bitmap type 1 (1 bit per
// pixel, set bit = white, rows padded to 32 bits) or type 5 (red, green,
// blue bytes, rows padded to 4 bytes), rows top first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "AroPrinterCfg.h"
#include "CommandLine.h"
#include "PageClassifier.h"
#include "RasterImage.h"

namespace aro::host {

struct PrintBitmap {
    int format = ARO_BITMAP_MONOCHROME;
    uint32_t width = 0;
    uint32_t height = 0;
    size_t stride = 0;
    int dpi = 0;  // the page's own resolution, 0: the job's
    std::vector<unsigned char> bits;
};

// The bitmap type the mode asks for this page: in the default mode, colour
// when its renderer decided so or the page passes the rule.
int ChooseFormat(const RasterImage& page, ColourMode mode, const ColourRule& rule = {});

// The page in the module's layout. In 1-bit form a bilevel page is taken as
// it is; grey and colour pixels, which the renderers halftone before, are
// dithered.
PrintBitmap ToPrintBitmap(const RasterImage& page, int format);

}  // namespace aro::host
