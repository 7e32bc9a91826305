#include "TiffCheck.h"

#include <tiffio.h>

#include <vector>

namespace aro::bench {

namespace {

bool PageDecodes(TIFF* tif) {
    std::vector<unsigned char> strip(static_cast<size_t>(TIFFStripSize(tif)));
    for (tstrip_t s = 0; s < TIFFNumberOfStrips(tif); ++s)
        if (TIFFReadEncodedStrip(tif, s, strip.data(), static_cast<tmsize_t>(strip.size())) < 0)
            return false;
    return true;
}

}  // namespace

int ReadableTiffPages(const std::string& path) {
    // A broken file is a finding, not console noise.
    const TIFFErrorHandler previous = TIFFSetErrorHandler(nullptr);
    int pages = 0;
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (tif) {
        do pages = PageDecodes(tif) ? pages + 1 : -1;
        while (pages > 0 && TIFFReadDirectory(tif));
        TIFFClose(tif);
    }
    TIFFSetErrorHandler(previous);
    return tif ? pages : -1;
}

}  // namespace aro::bench
