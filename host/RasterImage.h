// One rendered page as a renderer delivers it, before it is put into the
// module's bitmap layout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace aro::host {

enum class PixelKind {
    Bilevel,  // 1 bit per pixel, set bit = black, packed from the high bit
    Grey,     // 1 byte per pixel, 0 = black
    Rgb,      // red, green, blue bytes
};

struct RasterImage {
    uint32_t width = 0;
    uint32_t height = 0;
    PixelKind kind = PixelKind::Rgb;
    std::vector<unsigned char> pixels;  // rows top first, rowBytes() apart, unpadded
    // The page's own resolution (an image file's), 0 when it has none: the
    // job's resolution is then passed to the module.
    int dpi = 0;
    // Set by a renderer that judged the page itself (from a rendering of
    // its own) to be a colour page of the default mode.
    bool colourDecided = false;

    size_t rowBytes() const {
        switch (kind) {
            case PixelKind::Bilevel:
                return (size_t{width} + 7) / 8;
            case PixelKind::Grey:
                return width;
            case PixelKind::Rgb:
                return size_t{width} * 3;
        }
        return 0;
    }
    const unsigned char* row(uint32_t y) const { return pixels.data() + y * rowBytes(); }
    unsigned char* row(uint32_t y) { return pixels.data() + y * rowBytes(); }
};

// Pages larger than this in either direction are refused as malformed.
constexpr uint32_t kMaxPageSide = 65535;

}  // namespace aro::host
