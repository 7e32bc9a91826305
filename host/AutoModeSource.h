// The default mode for PDF and PostScript. A quick coarse colour rendering
// judges every page; the pages are then taken from Ghostscript's own
// black-and-white rendering at full resolution, except those judged colour,
// which a colour rendering provides (a PDF's pages are each rendered by one
// of the two only). Judge and renderers run side by side, so a document
// without colour pages costs little more than --mono.
#pragma once

#include <memory>
#include <string>

#include "PageSource.h"

namespace aro::host {

// Resolution of the judging rendering: pages of 6 x 6-pixel cells.
constexpr int kJudgeDpi = 72;

std::unique_ptr<PageSource> StartAutoMode(const std::string& path, InputType type,
                                          const RenderSettings& settings, std::string* error);

}  // namespace aro::host
