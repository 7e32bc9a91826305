#include "PrintBitmap.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace aro::host {

namespace {

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "pixels are read as little-endian words");

size_t MonochromeStride(uint32_t width) {
    return (size_t{width} + 31) / 32 * 4;
}
size_t ColourStride(uint32_t width) {
    return (size_t{width} * 3 + 3) / 4 * 4;
}

// Bilevel pixels have set bit = black; the module wants set bit = white.
// The padding past the width stays white, like paper.
void BilevelToMonochrome(const unsigned char* pixels, uint32_t width, uint32_t height,
                         PrintBitmap* out) {
    const size_t used = (size_t{width} + 7) / 8;
    for (uint32_t y = 0; y < height; ++y) {
        const unsigned char* in = pixels + y * used;
        unsigned char* row = out->bits.data() + y * out->stride;
        for (size_t i = 0; i < used; ++i) row[i] = static_cast<unsigned char>(~in[i]);
        if (width % 8) row[used - 1] |= static_cast<unsigned char>(0xFF >> (width % 8));
        for (size_t i = used; i < out->stride; ++i) row[i] = 0xFF;
    }
}

// Grey and colour pages that reach a black-and-white page unhalftoned
// (image files are halftoned by Ghostscript before, see
// HalftonedImageSource) are dithered through a 16 x 16 ordered (Bayer)
// threshold matrix, so that greys keep their tone; black and white stay
// exact.
constexpr unsigned kDitherSide = 16;

struct DitherMatrix {
    uint8_t rank[kDitherSide][kDitherSide] = {};
    // Each doubling puts four copies of the smaller matrix side by side,
    // ranked 0, 2 / 3, 1 among themselves.
    DitherMatrix() {
        static constexpr uint8_t kQuadrant[2][2] = {{0, 2}, {3, 1}};
        for (unsigned n = 1; n < kDitherSide; n *= 2) {
            DitherMatrix smaller = *this;
            for (unsigned y = 0; y < 2 * n; ++y)
                for (unsigned x = 0; x < 2 * n; ++x)
                    rank[y][x] = static_cast<uint8_t>(4 * smaller.rank[y % n][x % n] +
                                                      kQuadrant[y / n][x / n]);
        }
    }
};

// Lightness scaled so that grey and colour compare with one threshold: a
// grey level times 1000, or the BT.601 weighted sum of red, green and blue.
template <PixelKind kind>
uint32_t Lightness(const unsigned char* in, size_t x) {
    if constexpr (kind == PixelKind::Grey)
        return 1000u * in[x];
    else
        return 299u * in[3 * x] + 587u * in[3 * x + 1] + 114u * in[3 * x + 2];
}

// Every pixel's flag (1 = light) first, in a loop the compiler can
// vectorise; then eight flags at a time become one byte, first pixel in the
// high bit: multiplying by 0x8040201008040201 moves flag k of a little-endian
// word to bit 63 - k without carries.
template <PixelKind kind>
void LightFlags(const unsigned char* in, size_t width, const uint32_t* thresholds,
                unsigned char* flags) {
    for (size_t x = 0; x < width; ++x) flags[x] = Lightness<kind>(in, x) > thresholds[x];
}

unsigned char PackFlags(const unsigned char* flags) {
    uint64_t word;
    std::memcpy(&word, flags, sizeof word);
    return static_cast<unsigned char>((word * 0x8040201008040201ull) >> 56);
}

// Thresholds of one matrix row repeated across the page, in lightness
// units: rank r of 256 turns white above (255 r + 127) / 256 grey levels, so
// level 0 is always black and level 255 always white.
void ThresholdRow(const DitherMatrix& matrix, uint32_t y, size_t width,
                  std::vector<uint32_t>* row) {
    for (size_t x = 0; x < width; ++x) {
        uint32_t rank = matrix.rank[y % kDitherSide][x % kDitherSide];
        (*row)[x] = (1000u * (255u * rank + 127u)) / 256u;
    }
}

// The pixels past the width and the row padding are white.
template <PixelKind kind>
void DitherRows(const RasterImage& page, PrintBitmap* out) {
    static const DitherMatrix matrix;
    std::vector<unsigned char> flags(size_t{page.width} + 8, 1);
    std::vector<std::vector<uint32_t>> thresholds(kDitherSide, std::vector<uint32_t>(page.width));
    for (uint32_t y = 0; y < kDitherSide; ++y) ThresholdRow(matrix, y, page.width, &thresholds[y]);
    const size_t usedBytes = (size_t{page.width} + 7) / 8;
    for (uint32_t y = 0; y < page.height; ++y) {
        LightFlags<kind>(page.row(y), page.width, thresholds[y % kDitherSide].data(), flags.data());
        unsigned char* row = out->bits.data() + y * out->stride;
        for (size_t i = 0; i < usedBytes; ++i) row[i] = PackFlags(flags.data() + 8 * i);
        for (size_t i = usedBytes; i < out->stride; ++i) row[i] = 0xFF;
    }
}

void DitherToMonochrome(const RasterImage& page, PrintBitmap* out) {
    if (page.kind == PixelKind::Grey)
        DitherRows<PixelKind::Grey>(page, out);
    else
        DitherRows<PixelKind::Rgb>(page, out);
}

void ToColour(const RasterImage& page, PrintBitmap* out) {
    for (uint32_t y = 0; y < page.height; ++y) {
        const unsigned char* in = page.row(y);
        unsigned char* row = out->bits.data() + y * out->stride;
        for (uint32_t x = 0; x < page.width; ++x) {
            unsigned char* pixel = row + 3 * x;
            switch (page.kind) {
                case PixelKind::Rgb:
                    pixel[0] = in[3 * x], pixel[1] = in[3 * x + 1], pixel[2] = in[3 * x + 2];
                    break;
                case PixelKind::Grey:
                    pixel[0] = pixel[1] = pixel[2] = in[x];
                    break;
                case PixelKind::Bilevel:
                    pixel[0] = pixel[1] = pixel[2] = (in[x / 8] >> (7 - x % 8)) & 1 ? 0 : 255;
                    break;
            }
        }
    }
}

}  // namespace

int ChooseFormat(const RasterImage& page, ColourMode mode, const ColourRule& rule) {
    switch (mode) {
        case ColourMode::Mono:
            return ARO_BITMAP_MONOCHROME;
        case ColourMode::Colour:
            return ARO_BITMAP_COLOUR;
        case ColourMode::Auto:
            break;
    }
    return page.colourDecided || IsColourPage(page, rule) ? ARO_BITMAP_COLOUR
                                                          : ARO_BITMAP_MONOCHROME;
}

PrintBitmap ToPrintBitmap(const RasterImage& page, int format) {
    PrintBitmap out;
    out.format = format;
    out.width = page.width;
    out.height = page.height;
    out.dpi = page.dpi;
    out.stride =
        format == ARO_BITMAP_COLOUR ? ColourStride(page.width) : MonochromeStride(page.width);
    // Monochrome starts black and sets the white bits; colour rows start
    // with their padding zeroed.
    out.bits.assign(out.stride * page.height, 0);
    if (format == ARO_BITMAP_COLOUR)
        ToColour(page, &out);
    else if (page.kind == PixelKind::Bilevel)
        BilevelToMonochrome(page.pixels.data(), page.width, page.height, &out);
    else
        DitherToMonochrome(page, &out);
    return out;
}

}  // namespace aro::host
