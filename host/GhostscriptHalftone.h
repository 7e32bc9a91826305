// Grey and colour images printed on a black-and-white page, halftoned by
// Ghostscript exactly as it halftones a PDF or PostScript page: the image
// is handed to one Ghostscript (pbmraw) mapped 1:1 onto device pixels, on
// a page of the image's size at its resolution, so that an image printed
// from a PNM or TIFF file and the same image inside a PDF come out the same.
#pragma once

#include <string>

#include "ChildProgram.h"
#include "RasterImage.h"

namespace aro::host {

// The PostScript that puts one image of this size and kind (grey or RGB,
// 8 bits) on a page of its own at dpi; the samples follow it, then
// HalftonePageEnd().
std::string HalftonePageProgram(uint32_t width, uint32_t height, PixelKind kind, int dpi);

// Prints the page. Ghostscript reads its input in blocks of 1 KiB and waits
// for a block to fill before it goes on, so the page ends with enough white
// space to fill any block (four times over); it is skipped as such.
const std::string& HalftonePageEnd();

class GhostscriptHalftoner {
public:
    // Turns a grey or RGB page into a bilevel one. One Ghostscript serves
    // every page of one resolution; it starts with the first page and again
    // when the resolution changes (its default screen depends on it).
    bool Halftone(RasterImage* page, int dpi, std::string* error);

private:
    bool Start(int dpi, std::string* error);
    bool Fail(const std::string& reason, std::string* error);

    ChildProgram m_gs;
    int m_dpi = 0;  // of the running Ghostscript; 0: none runs
};

}  // namespace aro::host
