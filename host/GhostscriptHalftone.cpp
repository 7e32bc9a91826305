#include "GhostscriptHalftone.h"

#include <cstdio>

#include "GhostscriptCommand.h"
#include "PnmReader.h"

namespace aro::host {

std::string HalftonePageProgram(uint32_t width, uint32_t height, PixelKind kind, int dpi) {
    // The page size in points gives the device its size in pixels, rounded;
    // six decimals keep any size up to the largest page exact. Identity as
    // the current matrix makes user space the device's pixels, top row
    // first, so that image sample (x, y) is device pixel (x, y).
    char text[256];
    std::snprintf(text, sizeof text,
                  "<< /PageSize [%.6f %.6f] >> setpagedevice\n"
                  "matrix setmatrix %u %u 8 [1 0 0 1 0 0] currentfile %s\n",
                  width * 72.0 / dpi, height * 72.0 / dpi, width, height,
                  kind == PixelKind::Rgb ? "false 3 colorimage" : "image");
    return text;
}

const std::string& HalftonePageEnd() {
    static const std::string end = "\nshowpage" + std::string(4096, '\n');
    return end;
}

bool GhostscriptHalftoner::Start(int dpi, std::string* error) {
    if (m_dpi != 0) m_gs.Wait();
    m_dpi = 0;
    ChildProgram::Streams streams;
    streams.captureOutput = true;
    streams.feedInput = true;
    if (!m_gs.Start(GhostscriptReadingInput("pbmraw", dpi), streams, error)) return false;
    m_dpi = dpi;
    return true;
}

bool GhostscriptHalftoner::Fail(const std::string& reason, std::string* error) {
    *error = "Ghostscript could not halftone the image: " + reason;
    if (m_dpi != 0) m_gs.Stop();
    m_dpi = 0;
    return false;
}

bool GhostscriptHalftoner::Halftone(RasterImage* page, int dpi, std::string* error) {
    if (page->kind == PixelKind::Bilevel) return true;
    std::string reason;
    if (dpi != m_dpi && !Start(dpi, &reason)) return Fail(reason, error);
    const std::string program = HalftonePageProgram(page->width, page->height, page->kind, dpi);
    // Ghostscript prints only after the whole image is in, so writing all
    // of it first and then reading cannot block both sides.
    if (!m_gs.WriteInput(program.data(), program.size()) ||
        !m_gs.WriteInput(page->pixels.data(), page->pixels.size()) ||
        !m_gs.WriteInput(HalftonePageEnd().data(), HalftonePageEnd().size()))
        return Fail(GhostscriptFailure(m_gs.Wait()), error);
    const uint32_t width = page->width, height = page->height;
    const int pageDpi = page->dpi;
    const PnmRead read = ReadPnmImage(m_gs.output(), page, &reason);
    if (read == PnmRead::End) return Fail(GhostscriptFailure(m_gs.Wait()), error);
    if (read == PnmRead::Failed) return Fail(reason, error);
    if (page->kind != PixelKind::Bilevel || page->width != width || page->height != height)
        return Fail("the page came back " + std::to_string(page->width) + " x " +
                        std::to_string(page->height) + " instead of " + std::to_string(width) +
                        " x " + std::to_string(height),
                    error);
    page->dpi = pageDpi;
    return true;
}

}  // namespace aro::host
