// Image files (PNM, TIFF) whose grey or colour pages go on black-and-white
// pages: such pages are halftoned by Ghostscript before they are handed on,
// so that they look as the same image printed from a PDF. Bilevel pages and
// pages that go as colour pass unchanged.
#pragma once

#include <memory>

#include "PageSource.h"

namespace aro::host {

std::unique_ptr<PageSource> HalftoneImages(std::unique_ptr<PageSource> images,
                                           const RenderSettings& settings);

}  // namespace aro::host
