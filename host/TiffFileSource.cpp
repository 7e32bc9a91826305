// TIFF files: every directory is a page, read through libtiff's RGBA
// interface so that every photometric and compression it knows is accepted.
#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>

#include "PageSource.h"

namespace aro::host {

namespace {

// The RGBA raster of a page is allocated whole; refuse pages that would
// need more than 1 GiB for it.
constexpr unsigned long long kMaxPagePixels = 1ULL << 28;

// Keeps libtiff's messages for our own reads: the first error becomes the
// page's error text, warnings are dropped. The handlers are process-wide
// and the module installs its own, so ours are in place only during a read.
class TiffMessages {
public:
    explicit TiffMessages(std::string* error) {
        s_error = error;
        m_previousError = TIFFSetErrorHandler(&TiffMessages::OnError);
        m_previousWarning = TIFFSetWarningHandler(&TiffMessages::OnWarning);
    }
    ~TiffMessages() {
        TIFFSetErrorHandler(m_previousError);
        TIFFSetWarningHandler(m_previousWarning);
        s_error = nullptr;
    }
    TiffMessages(const TiffMessages&) = delete;
    TiffMessages& operator=(const TiffMessages&) = delete;

private:
    static void OnError(const char*, const char* format, va_list arguments) {
        if (!s_error || !s_error->empty()) return;
        char text[512];
        std::vsnprintf(text, sizeof text, format, arguments);
        *s_error = text;
    }
    static void OnWarning(const char*, const char*, va_list) {}

    static std::string* s_error;
    TIFFErrorHandler m_previousError;
    TIFFErrorHandler m_previousWarning;
};

std::string* TiffMessages::s_error = nullptr;

bool IsGreyOnly(TIFF* tiff) {
    uint16_t samples = 1, photometric = PHOTOMETRIC_MINISWHITE;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    if (!TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric)) return false;
    return samples == 1 &&
           (photometric == PHOTOMETRIC_MINISWHITE || photometric == PHOTOMETRIC_MINISBLACK);
}

// Premultiplied RGBA on white paper: what is transparent stays white.
unsigned char OnWhite(uint32_t channel, uint32_t alpha) {
    uint32_t value = channel + 255 - alpha;
    return static_cast<unsigned char>(value > 255 ? 255 : value);
}

void StoreRaster(const std::vector<uint32_t>& raster, RasterImage* page) {
    page->pixels.resize(page->rowBytes() * page->height);
    unsigned char* out = page->pixels.data();
    const bool grey = page->kind == PixelKind::Grey;
    for (uint32_t pixel : raster) {
        uint32_t alpha = TIFFGetA(pixel);
        *out++ = OnWhite(TIFFGetR(pixel), alpha);
        if (grey) continue;
        *out++ = OnWhite(TIFFGetG(pixel), alpha);
        *out++ = OnWhite(TIFFGetB(pixel), alpha);
    }
}

// The page's resolution across and down in dots per inch; false when the
// file gives none (or only an aspect ratio) or an unusable one.
bool ReadResolution(TIFF* tiff, double* across, double* down) {
    float x = 0, y = 0;
    uint16_t unit = RESUNIT_INCH;
    if (!TIFFGetField(tiff, TIFFTAG_XRESOLUTION, &x) ||
        !TIFFGetField(tiff, TIFFTAG_YRESOLUTION, &y))
        return false;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_RESOLUTIONUNIT, &unit);
    if (unit == RESUNIT_NONE) return false;
    const double perInch = unit == RESUNIT_CENTIMETER ? 2.54 : 1.0;
    *across = x * perInch;
    *down = y * perInch;
    return *across >= 10 && *across <= 2400 && *down >= 10 && *down <= 2400;
}

// Pixels that are not square (a fax at 204 x 98 dpi) are made square at the
// finer of the two resolutions by repeating rows (or columns), so that the
// page keeps its size on paper.
void SquarePixels(RasterImage* page, double across, double down) {
    const double finer = std::max(across, down);
    const uint32_t width = static_cast<uint32_t>(std::lround(page->width * finer / across));
    const uint32_t height = static_cast<uint32_t>(std::lround(page->height * finer / down));
    if (width == page->width && height == page->height) return;
    RasterImage square;
    square.width = width;
    square.height = height;
    square.kind = page->kind;
    const size_t pixelBytes = page->kind == PixelKind::Grey ? 1 : 3;
    square.pixels.resize(square.rowBytes() * height);
    for (uint32_t y = 0; y < height; ++y) {
        const unsigned char* in =
            page->row(static_cast<uint32_t>(uint64_t{y} * page->height / height));
        unsigned char* out = square.row(y);
        for (uint32_t x = 0; x < width; ++x)
            std::memcpy(out + x * pixelBytes, in + uint64_t{x} * page->width / width * pixelBytes,
                        pixelBytes);
    }
    page->width = width;
    page->height = height;
    page->pixels.swap(square.pixels);
}

class TiffFileSource : public PageSource {
public:
    explicit TiffFileSource(TIFF* tiff)
        : m_tiff(tiff), m_pageCount(TIFFNumberOfDirectories(tiff)) {}
    ~TiffFileSource() override { TIFFClose(m_tiff); }

    bool NextPage(RasterImage* page) override {
        TiffMessages messages(&m_error);
        if (m_pagesRead > 0 && !TIFFReadDirectory(m_tiff)) return false;
        ++m_pagesRead;
        uint32_t width = 0, height = 0;
        TIFFGetField(m_tiff, TIFFTAG_IMAGEWIDTH, &width);
        TIFFGetField(m_tiff, TIFFTAG_IMAGELENGTH, &height);
        if (width == 0 || height == 0 || width > kMaxPageSide || height > kMaxPageSide ||
            1ULL * width * height > kMaxPagePixels)
            return Fail("page " + std::to_string(m_pagesRead) + " has an unusable size");
        page->width = width;
        page->height = height;
        page->kind = IsGreyOnly(m_tiff) ? PixelKind::Grey : PixelKind::Rgb;
        page->dpi = 0;
        if (!ReadPixels(page)) return false;
        double across = 0, down = 0;
        if (!ReadResolution(m_tiff, &across, &down)) return true;
        if (!FitsAtSquarePixels(page->width, page->height, across, down))
            return Fail("page " + std::to_string(m_pagesRead) +
                        " is too large once its pixels are made square");
        SquarePixels(page, across, down);
        page->dpi = static_cast<int>(std::lround(std::max(across, down)));
        return true;
    }

    std::optional<size_t> PageCount() const override { return m_pageCount; }

private:
    bool ReadPixels(RasterImage* page) {
        std::vector<uint32_t> raster;
        try {
            raster.resize(size_t{page->width} * page->height);
        } catch (const std::bad_alloc&) {
            return Fail("page " + std::to_string(m_pagesRead) + " is too large");
        }
        if (!TIFFReadRGBAImageOriented(m_tiff, page->width, page->height, raster.data(),
                                       ORIENTATION_TOPLEFT, 1)) {
            std::string reason = m_error.empty() ? "unreadable pixels" : m_error;
            return Fail("page " + std::to_string(m_pagesRead) + ": " + reason);
        }
        StoreRaster(raster, page);
        return true;
    }

    static bool FitsAtSquarePixels(uint32_t width, uint32_t height, double across, double down) {
        const double finer = std::max(across, down);
        const double w = std::round(width * finer / across), h = std::round(height * finer / down);
        return w <= kMaxPageSide && h <= kMaxPageSide && w * h <= double(kMaxPagePixels);
    }

    bool Fail(const std::string& error) {
        m_error = error;
        return false;
    }

    TIFF* m_tiff;
    size_t m_pageCount;
    size_t m_pagesRead = 0;
};

}  // namespace

std::unique_ptr<PageSource> OpenTiffFile(const std::string& path, std::string* error) {
    std::string reason;
    TIFF* tiff;
    {
        TiffMessages messages(&reason);
        tiff = TIFFOpen(path.c_str(), "r");
    }
    if (!tiff) {
        *error = "not a readable TIFF file" + (reason.empty() ? "" : ": " + reason);
        return nullptr;
    }
    return std::make_unique<TiffFileSource>(tiff);
}

}  // namespace aro::host
