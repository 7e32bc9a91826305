#include "RasterToPnm.h"

namespace aro::printerapp {

namespace {

// Wider pages than this at any resolution are not a document page.
constexpr unsigned kMaxSide = 100000;

bool Refuse(std::string* why, const std::string& text) {
    *why = text;
    return false;
}

bool ChooseConversion(const cups_page_header2_t& header, PnmLayout* layout, std::string* why) {
    using Conversion = PnmLayout::Conversion;
    const unsigned bits = header.cupsBitsPerPixel;
    switch (header.cupsColorSpace) {
        case CUPS_CSPACE_W:
        case CUPS_CSPACE_SW:
            if (bits != 8) break;
            layout->conversion = Conversion::Copy;
            return true;
        case CUPS_CSPACE_K:
            if (bits != 8) break;
            layout->conversion = Conversion::Invert;
            return true;
        case CUPS_CSPACE_RGB:
        case CUPS_CSPACE_SRGB:
        case CUPS_CSPACE_ADOBERGB:
            if (bits != 24) break;
            layout->colour = true;
            layout->conversion = Conversion::Copy;
            return true;
        case CUPS_CSPACE_CMYK:
            if (bits != 32) break;
            layout->colour = true;
            layout->conversion = Conversion::CmykToRgb;
            return true;
        default:
            return Refuse(why, "raster colour space " + std::to_string(header.cupsColorSpace) +
                                   " is not supported");
    }
    return Refuse(why, std::to_string(bits) + "-bit raster in colour space " +
                           std::to_string(header.cupsColorSpace) + " is not supported");
}

}  // namespace

bool LayoutForPage(const cups_page_header2_t& header, PnmLayout* layout, std::string* why) {
    *layout = PnmLayout{};
    if (header.cupsBitsPerColor != 8)
        return Refuse(why, "only 8 bits per colour are supported, not " +
                               std::to_string(header.cupsBitsPerColor));
    if (header.cupsColorOrder != CUPS_ORDER_CHUNKED)
        return Refuse(why, "only chunked raster pixels are supported");
    if (header.cupsWidth == 0 || header.cupsHeight == 0 || header.cupsWidth > kMaxSide ||
        header.cupsHeight > kMaxSide)
        return Refuse(why, "page size " + std::to_string(header.cupsWidth) + "x" +
                               std::to_string(header.cupsHeight) + " is not printable");
    const unsigned dpi = header.HWResolution[0];
    if (dpi < kMinDpi || dpi > kMaxDpi)
        return Refuse(why, "resolution " + std::to_string(dpi) + " dpi is not supported");
    if (!ChooseConversion(header, layout, why)) return false;
    layout->width = header.cupsWidth;
    layout->height = header.cupsHeight;
    layout->dpi = dpi;
    layout->inputBytes = static_cast<size_t>(header.cupsWidth) * (header.cupsBitsPerPixel / 8);
    if (header.cupsBytesPerLine < layout->inputBytes)
        return Refuse(why, "raster line of " + std::to_string(header.cupsBytesPerLine) +
                               " bytes is shorter than its pixels");
    return true;
}

std::string PnmHeader(const PnmLayout& layout) {
    return std::string(layout.colour ? "P6\n" : "P5\n") + std::to_string(layout.width) + " " +
           std::to_string(layout.height) + "\n255\n";
}

size_t PnmLineBytes(const PnmLayout& layout) {
    return static_cast<size_t>(layout.width) * (layout.colour ? 3 : 1);
}

const unsigned char* PnmLine(const PnmLayout& layout, const unsigned char* line,
                             std::vector<unsigned char>& buffer) {
    using Conversion = PnmLayout::Conversion;
    if (layout.conversion == Conversion::Copy) return line;
    buffer.resize(PnmLineBytes(layout));
    if (layout.conversion == Conversion::Invert) {
        for (unsigned x = 0; x < layout.width; ++x)
            buffer[x] = static_cast<unsigned char>(255 - line[x]);
        return buffer.data();
    }
    // Naive CMYK: enough for what a driverless client sends a virtual printer.
    for (unsigned x = 0; x < layout.width; ++x) {
        const unsigned char* cmyk = line + 4 * static_cast<size_t>(x);
        const unsigned white = 255u - cmyk[3];
        for (int c = 0; c < 3; ++c)
            buffer[3 * static_cast<size_t>(x) + c] =
                static_cast<unsigned char>((255u - cmyk[c]) * white / 255u);
    }
    return buffer.data();
}

}  // namespace aro::printerapp
