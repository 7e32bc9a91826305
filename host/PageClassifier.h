// Whether a page goes as colour in the default mode. A page is colour when
// enough of its area is coloured, judged on a grid of cells of about 2 mm:
// a cell counts when most of its pixels are coloured. Near-grey pixels
// (scanner noise, greys a level off in one channel) and thin coloured
// strokes (links in running text, which never fill a cell) thus leave a
// page black and white, while a logo, a photo or a drawing keeps its colour.
#pragma once

#include <cstdint>

#include "RasterImage.h"

namespace aro::host {

// Cells per inch of the grid the coloured area is measured on.
constexpr int kColourCellsPerInch = 12;

// The grid has at least this many cells across a page's shorter side.
constexpr uint32_t kMinCellsAcross = 16;

// A pixel whose strongest and weakest channel differ by more than this many
// levels (of 255) is coloured; nearer ones count as grey.
constexpr int kColourTolerance = 24;

// The share of the page's cells, in percent, that must be passed for the
// page to go as colour: three cells of an A4 page, a logo of 6 mm.
constexpr double kDefaultColourThreshold = 0.02;

struct ColourRule {
    double thresholdPercent = kDefaultColourThreshold;
    int tolerance = kColourTolerance;
    int dpi = 300;  // of pages that do not give their own resolution
};

// The percentage of the page's cells that are coloured, with cells of
// cellSide x cellSide pixels (the last row and column of cells may be
// smaller). Grey and bilevel pages have none.
double ColouredAreaPercent(const RasterImage& page, uint32_t cellSide, int tolerance);

// The side of a cell in pixels for a page at this resolution.
uint32_t ColourCellSide(int dpi);

// True when the coloured area passes the rule's threshold; cells are sized
// by the page's own resolution, else the rule's.
bool IsColourPage(const RasterImage& page, const ColourRule& rule);

}  // namespace aro::host
