// A Ghostscript that renders the pages of a PDF it is told to, told page by
// page as the document goes: for each page in order it reads from its
// standard input whether to render it or pass over it. Two of them (black
// and white, colour) share a document so that each page is rendered once,
// by the one its kind needs, although the kinds are known only as the pages
// are judged.
#pragma once

#include <cstdio>
#include <string>

#include "ChildProgram.h"
#include "PageSource.h"

namespace aro::host {

// The program: opens the document given as descriptor 3, then takes one
// choice per page (1 render, 0 pass over) and ends after the last page.
std::string SelectedPagesProgram();

class SelectedPdfPages {
public:
    SelectedPdfPages() = default;
    ~SelectedPdfPages();
    SelectedPdfPages(const SelectedPdfPages&) = delete;
    SelectedPdfPages& operator=(const SelectedPdfPages&) = delete;

    // Starts Ghostscript on the document with device at dpi; quiet: its
    // complaints about the document are dropped (another renderer tells them).
    bool Start(const std::string& path, const RenderSettings& settings, const std::string& device,
               int dpi, bool quiet, std::string* error);

    // Whether the next page is rendered. False when Ghostscript reads no
    // more (it has passed the last page, or failed).
    bool Choose(bool render);

    // The rendered pages, as PNM images.
    std::FILE* output() const { return m_gs.output(); }

    int Wait() { return m_gs.Wait(); }
    void Stop() { m_gs.Stop(); }

private:
    ChildProgram m_gs;
};

}  // namespace aro::host
