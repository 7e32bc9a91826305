#include "PrintBitmap.h"

namespace aro::host {

namespace {

// Lightness by the ITU-R BT.601 weights, in thousandths of a level.
bool IsLight(const unsigned char* rgb) {
    return 299u * rgb[0] + 587u * rgb[1] + 114u * rgb[2] >= 128000u;
}

size_t MonochromeStride(uint32_t width) {
    return (size_t{width} + 31) / 32 * 4;
}
size_t ColourStride(uint32_t width) {
    return (size_t{width} * 3 + 3) / 4 * 4;
}

void SetWhite(unsigned char* row, uint32_t x) {
    row[x / 8] = static_cast<unsigned char>(row[x / 8] | (0x80 >> (x % 8)));
}

// A bilevel raster has set bit = black; the module wants set bit = white.
// The padding past the width stays white, like paper.
void BilevelToMonochrome(const RasterImage& page, PrintBitmap* out) {
    const size_t used = page.rowBytes();
    for (uint32_t y = 0; y < page.height; ++y) {
        const unsigned char* in = page.row(y);
        unsigned char* row = out->bits.data() + y * out->stride;
        for (size_t i = 0; i < used; ++i) row[i] = static_cast<unsigned char>(~in[i]);
        if (page.width % 8) row[used - 1] |= static_cast<unsigned char>(0xFF >> (page.width % 8));
        for (size_t i = used; i < out->stride; ++i) row[i] = 0xFF;
    }
}

void ThresholdToMonochrome(const RasterImage& page, PrintBitmap* out) {
    for (uint32_t y = 0; y < page.height; ++y) {
        const unsigned char* in = page.row(y);
        unsigned char* row = out->bits.data() + y * out->stride;
        for (uint32_t x = 0; x < page.width; ++x) {
            bool light = page.kind == PixelKind::Grey ? in[x] >= 128 : IsLight(in + 3 * x);
            if (light) SetWhite(row, x);
        }
        for (uint32_t x = page.width; x < out->stride * 8; ++x) SetWhite(row, x);
    }
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

bool HasColour(const RasterImage& page) {
    if (page.kind != PixelKind::Rgb) return false;
    const unsigned char* p = page.pixels.data();
    const unsigned char* end = p + page.pixels.size();
    for (; p + 3 <= end; p += 3)
        if (p[0] != p[1] || p[1] != p[2]) return true;
    return false;
}

int ChooseFormat(const RasterImage& page, ColourMode mode) {
    switch (mode) {
        case ColourMode::Mono:
            return kMonochromeFormat;
        case ColourMode::Colour:
            return kColourFormat;
        case ColourMode::Auto:
            break;
    }
    return HasColour(page) ? kColourFormat : kMonochromeFormat;
}

PrintBitmap ToPrintBitmap(const RasterImage& page, int format) {
    PrintBitmap out;
    out.format = format;
    out.width = page.width;
    out.height = page.height;
    out.stride = format == kColourFormat ? ColourStride(page.width) : MonochromeStride(page.width);
    // Monochrome starts black and sets the white bits; colour rows start
    // with their padding zeroed.
    out.bits.assign(out.stride * page.height, 0);
    if (format == kColourFormat)
        ToColour(page, &out);
    else if (page.kind == PixelKind::Bilevel)
        BilevelToMonochrome(page, &out);
    else
        ThresholdToMonochrome(page, &out);
    return out;
}

}  // namespace aro::host
