#include "PageImages.h"

#include <algorithm>

namespace aro::wtest {

namespace {

uint32_t Stride(uint32_t width, int format) {
    return format == 1 ? (width + 31) / 32 * 4 : (width * 3 + 3) / 4 * 4;
}

}  // namespace

std::vector<unsigned char> MonoPage(uint32_t width, uint32_t rows, int seed) {
    const uint32_t stride = Stride(width, 1);
    std::vector<unsigned char> page(std::size_t(stride) * rows, 0xFF);
    for (uint32_t y = 0; y < rows; ++y)
        for (uint32_t x = 0; x < width; ++x)
            if ((x / 7 + y / 5 + seed) % 3 == 0 || (x + y * seed) % 11 == 0)
                page[y * stride + x / 8] &= static_cast<unsigned char>(~(0x80 >> (x % 8)));
    return page;
}

bool HostBlack(const std::vector<unsigned char>& page, uint32_t width, uint32_t x, uint32_t y) {
    return !((page[y * Stride(width, 1) + x / 8] >> (7 - x % 8)) & 1);
}

std::vector<unsigned char> ColourPage(uint32_t width, uint32_t rows) {
    const uint32_t stride = Stride(width, 5);
    std::vector<unsigned char> page(std::size_t(stride) * rows, 0);
    for (uint32_t y = 0; y < rows; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            unsigned char* pixel = &page[std::size_t(y) * stride + x * 3];
            pixel[0] = static_cast<unsigned char>(60 + x);
            pixel[1] = static_cast<unsigned char>(250 - y);
            pixel[2] = 180;
        }
    return page;
}

std::vector<int> PrintPage(Module& m, std::vector<unsigned char> page, uint32_t width,
                           uint32_t rows, uint32_t bandRows, int format, int dpi) {
    const uint32_t stride = Stride(width, format);
    std::vector<int> statuses;
    m.startPage();
    for (uint32_t top = 0; top < rows; top += bandRows) {
        const uint32_t n = std::min(bandRows, rows - top);
        statuses.push_back(m.endPage(page.data() + std::size_t(top) * stride, n, width, format, dpi,
                                     top + n < rows ? 1 : 0));
    }
    return statuses;
}

}  // namespace aro::wtest
