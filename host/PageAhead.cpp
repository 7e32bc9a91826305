#include "PageAhead.h"

namespace aro::host {

std::optional<PrintBitmap> PageAhead::Prepare() {
    if (!m_source.NextPage(&m_raster)) return std::nullopt;
    return ToPrintBitmap(m_raster, ChooseFormat(m_raster, m_mode, m_rule));
}

void PageAhead::Request() {
    m_requested = true;
    if (m_source.ReadsBesideModule())
        m_next = std::async(std::launch::async, [this] { return Prepare(); });
}

bool PageAhead::Take(PrintBitmap* page) {
    if (!m_requested) return false;
    m_requested = false;
    std::optional<PrintBitmap> next = m_next.valid() ? m_next.get() : Prepare();
    if (!next) return false;
    *page = std::move(*next);
    return true;
}

}  // namespace aro::host
