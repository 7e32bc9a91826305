#include "imaging/PageBackground.h"

#include "base/FixedText.h"
#include "config/SettingsStore.h"
#include "imaging/BackgroundBitmap.h"
#include "imaging/BackgroundCache.h"
#include "imaging/BackgroundMerge.h"
#include "job/JobContext.h"

namespace aro {

bool PreparePageBackground(const char* valueName) {
    char path[kPathSize];
    ReadUserSetting(valueName, path);
    if (!g_job.page.firstBand) return true;
    // A second document in one load finds the bitmap released.
    if (!g_job.page.background) return false;
    g_job.page.background->Clear();
    // Checked at every page: a letterhead replaced meanwhile takes effect now.
    return LoadCachedBackground(path, g_job.page.background) == kBackgroundLoaded;
}

uint16_t PageBackgroundBitCount() {
    return g_job.page.background ? g_job.page.background->GetBitCount() : 0;
}

void MergePageBackground(unsigned char* band, uint32_t rows, uint32_t width, int bits) {
    // A kept letterhead is mostly white: only the parts of its rows that can
    // change the page are read.
    const BackgroundRowSpans* spans =
        g_job.page.background ? KeptRowSpans(*g_job.page.background) : nullptr;
    MergeBackground(g_job.page.background, band, rows, width, g_job.page.imageHeight, bits, spans);
}

}  // namespace aro
