#include "PageClassifier.h"

#include <algorithm>
#include <vector>

namespace aro::host {

namespace {

// A cell counts as coloured when at least three quarters of its pixels are:
// a coloured area fills its cells, a coloured line of text never does.
constexpr uint32_t kFullCellNumerator = 3;
constexpr uint32_t kFullCellDenominator = 4;

// A pixel is coloured when its channels spread by more than the tolerance.
bool IsColouredPixel(const unsigned char* rgb, int tolerance) {
    const int high = std::max({rgb[0], rgb[1], rgb[2]});
    const int low = std::min({rgb[0], rgb[1], rgb[2]});
    return high - low > tolerance;
}

// Adds one row's coloured pixels to the counts of the cells it crosses.
void CountRow(const unsigned char* rgb, uint32_t width, uint32_t cellSide, int tolerance,
              std::vector<uint32_t>* counts) {
    for (uint32_t x0 = 0, cell = 0; x0 < width; x0 += cellSide, ++cell) {
        const uint32_t end = std::min(width, x0 + cellSide);
        uint32_t coloured = 0;
        for (uint32_t x = x0; x < end; ++x) coloured += IsColouredPixel(rgb + 3 * x, tolerance);
        (*counts)[cell] += coloured;
    }
}

}  // namespace

double ColouredAreaPercent(const RasterImage& page, uint32_t cellSide, int tolerance) {
    if (page.kind != PixelKind::Rgb || page.width == 0 || page.height == 0) return 0;
    cellSide = std::max(cellSide, 1u);
    const uint32_t across = (page.width + cellSide - 1) / cellSide;
    const uint32_t down = (page.height + cellSide - 1) / cellSide;
    std::vector<uint32_t> counts(across);
    uint64_t coloured = 0;
    for (uint32_t y0 = 0; y0 < page.height; y0 += cellSide) {
        const uint32_t rows = std::min(page.height - y0, cellSide);
        std::fill(counts.begin(), counts.end(), 0);
        for (uint32_t y = y0; y < y0 + rows; ++y)
            CountRow(page.row(y), page.width, cellSide, tolerance, &counts);
        for (uint32_t cell = 0; cell < across; ++cell) {
            const uint32_t columns = std::min(page.width - cell * cellSide, cellSide);
            coloured += counts[cell] * kFullCellDenominator >= rows * columns * kFullCellNumerator;
        }
    }
    return 100.0 * double(coloured) / (double(across) * double(down));
}

uint32_t ColourCellSide(int dpi) {
    const int64_t side = (int64_t{dpi} + kColourCellsPerInch / 2) / kColourCellsPerInch;
    return static_cast<uint32_t>(std::clamp<int64_t>(side, 1, kMaxPageSide));
}

bool IsColourPage(const RasterImage& page, const ColourRule& rule) {
    // A small image still gets a grid fine enough for a coloured part of it.
    const uint32_t shorterSide = std::min(page.width, page.height);
    const uint32_t cellSide = std::min(ColourCellSide(page.dpi > 0 ? page.dpi : rule.dpi),
                                       std::max(1u, shorterSide / kMinCellsAcross));
    return ColouredAreaPercent(page, cellSide, rule.tolerance) > rule.thresholdPercent;
}

}  // namespace aro::host
