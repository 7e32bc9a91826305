// Prepares the page after the one being printed: while the module encodes a
// page, the renderer produces the next one on a second thread and it is put
// into the module's layout, so that rendering and encoding overlap.
#pragma once

#include <future>
#include <optional>

#include "CommandLine.h"
#include "PageSource.h"
#include "PrintBitmap.h"

namespace aro::host {

class PageAhead {
public:
    PageAhead(PageSource& source, ColourMode mode, const ColourRule& rule = {})
        : m_source(source), m_mode(mode), m_rule(rule) {}
    // Waits for a page still being prepared.
    ~PageAhead() = default;
    PageAhead(const PageAhead&) = delete;
    PageAhead& operator=(const PageAhead&) = delete;

    // Starts preparing the source's next page: on a thread of its own when
    // the source may be read beside module calls, else when it is taken.
    void Request();

    // The page requested. False at the end of the document or when the
    // source failed (its error() says why).
    bool Take(PrintBitmap* page);

private:
    std::optional<PrintBitmap> Prepare();

    PageSource& m_source;
    ColourMode m_mode;
    ColourRule m_rule;
    bool m_requested = false;
    std::future<std::optional<PrintBitmap>> m_next;
    // Kept from page to page, so that its buffer does not grow afresh for
    // every page. Only the thread that prepares a page touches it.
    RasterImage m_raster;
};

}  // namespace aro::host
