#include "BandFeeder.h"

#include <algorithm>

namespace aro::host {

int FeedPage(const ExitModule& module, PrintBitmap& page, unsigned bandRows, int dpi,
             JobOutcome* outcome) {
    module.startPage();
    int firstStatus = 0;
    for (uint32_t top = 0; top < page.height; top += bandRows) {
        uint32_t rows = std::min<uint32_t>(bandRows, page.height - top);
        bool moreBands = top + rows < page.height;
        int status = module.endPage(page.bits.data() + top * page.stride, rows, page.width,
                                    page.format, dpi, moreBands ? 1 : 0);
        ++outcome->bands;
        outcome->CountStatus(status);
        if (top == 0) firstStatus = status;
        if (status == ARO_BAND_NO_FILE && top == 0) break;
    }
    ++outcome->pages;
    return firstStatus;
}

}  // namespace aro::host
