#include "HalftonedImageSource.h"

#include "GhostscriptHalftone.h"
#include "PrintBitmap.h"

namespace aro::host {

namespace {

// A 1-bit TIFF page arrives as greys 0 and 255 (libtiff's RGBA reader):
// such a page needs no halftone, and is taken as it is.
bool OnlyBlackAndWhite(const RasterImage& page) {
    for (unsigned char level : page.pixels)
        if (level != 0 && level != 255) return false;
    return true;
}

void MakeBilevel(RasterImage* page) {
    RasterImage bilevel;
    bilevel.width = page->width, bilevel.height = page->height, bilevel.dpi = page->dpi;
    bilevel.kind = PixelKind::Bilevel;
    bilevel.pixels.assign(bilevel.rowBytes() * bilevel.height, 0);
    for (uint32_t y = 0; y < page->height; ++y) {
        const unsigned char* in = page->row(y);
        unsigned char* out = bilevel.row(y);
        for (uint32_t x = 0; x < page->width; ++x)
            if (in[x] == 0) out[x / 8] |= static_cast<unsigned char>(0x80 >> (x % 8));
    }
    *page = std::move(bilevel);
}

class HalftonedImageSource : public PageSource {
public:
    HalftonedImageSource(std::unique_ptr<PageSource> images, const RenderSettings& settings)
        : m_images(std::move(images)), m_settings(settings) {}

    bool NextPage(RasterImage* page) override {
        if (!m_images->NextPage(page)) {
            m_error = m_images->error();
            return false;
        }
        page->colourDecided = false;
        if (page->kind == PixelKind::Grey && OnlyBlackAndWhite(*page)) MakeBilevel(page);
        if (page->kind == PixelKind::Bilevel) return true;
        if (ChooseFormat(*page, m_settings.mode, m_settings.colourRule) == ARO_BITMAP_COLOUR) {
            // Judged once: the page is not measured again when it is laid out.
            page->colourDecided = m_settings.mode == ColourMode::Auto;
            return true;
        }
        return m_halftoner.Halftone(page, page->dpi ? page->dpi : m_settings.dpi, &m_error);
    }

    std::optional<size_t> PageCount() const override { return m_images->PageCount(); }

    // Ghostscript runs in a process of its own: the image reader decides.
    bool ReadsBesideModule() const override { return m_images->ReadsBesideModule(); }

private:
    std::unique_ptr<PageSource> m_images;
    const RenderSettings m_settings;
    GhostscriptHalftoner m_halftoner;
};

}  // namespace

std::unique_ptr<PageSource> HalftoneImages(std::unique_ptr<PageSource> images,
                                           const RenderSettings& settings) {
    if (!images || settings.mode == ColourMode::Colour) return images;
    return std::make_unique<HalftonedImageSource>(std::move(images), settings);
}

}  // namespace aro::host
