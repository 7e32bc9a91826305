#include "PrintBitmap.h"

#include <gtest/gtest.h>

#include <random>
#include <tuple>

namespace aro::host {
namespace {

RasterImage Make(PixelKind kind, uint32_t width, uint32_t height,
                 std::vector<unsigned char> pixels) {
    RasterImage image;
    image.kind = kind, image.width = width, image.height = height;
    image.pixels = std::move(pixels);
    return image;
}

bool White(const PrintBitmap& bitmap, uint32_t x, uint32_t y) {
    return (bitmap.bits[y * bitmap.stride + x / 8] >> (7 - x % 8)) & 1;
}

TEST(HostPrintBitmapTest, BilevelBecomesSetBitWhiteWithRowsPaddedTo32Bits) {
    // 10 pixels: black, white x8, black; the second row all white.
    RasterImage page = Make(PixelKind::Bilevel, 10, 2, {0x80, 0x40, 0x00, 0x00});
    PrintBitmap bitmap = ToPrintBitmap(page, ARO_BITMAP_MONOCHROME);
    EXPECT_EQ(bitmap.stride, 4u);
    ASSERT_EQ(bitmap.bits.size(), 8u);
    EXPECT_EQ(bitmap.bits[0], 0x7F);
    EXPECT_EQ(bitmap.bits[1], 0xBF);  // pixel 9 black, the padding white
    EXPECT_EQ(bitmap.bits[2], 0xFF);
    EXPECT_EQ(bitmap.bits[3], 0xFF);
    for (int i = 4; i < 8; ++i) EXPECT_EQ(bitmap.bits[i], 0xFF);
}

TEST(HostPrintBitmapTest, GreysAreDitheredToTheirToneWhileBlackAndWhiteStayExact) {
    constexpr uint32_t kSide = 32;
    for (unsigned level : {0u, 64u, 128u, 192u, 255u}) {
        RasterImage grey =
            Make(PixelKind::Grey, kSide, kSide, std::vector<unsigned char>(kSide * kSide, level));
        PrintBitmap bitmap = ToPrintBitmap(grey, ARO_BITMAP_MONOCHROME);
        unsigned white = 0;
        for (uint32_t y = 0; y < kSide; ++y)
            for (uint32_t x = 0; x < kSide; ++x) white += White(bitmap, x, y);
        // Four whole matrix tiles: the share of white is the level's, to
        // one pixel per tile.
        EXPECT_NEAR(white, kSide * kSide * level / 255.0, 4) << "level " << level;
    }
    // Pure blue is dark, pure yellow light, whatever their channels' sum:
    // lightness 29 and 226 of 255.
    for (const auto& [red, green, blue, whiteShare] :
         {std::tuple{0, 0, 255, 29.07 / 255}, std::tuple{255, 255, 0, 225.93 / 255}}) {
        RasterImage colour = Make(PixelKind::Rgb, 16, 16, {});
        for (int i = 0; i < 256; ++i)
            for (int c : {red, green, blue}) colour.pixels.push_back(static_cast<unsigned char>(c));
        PrintBitmap bitmap = ToPrintBitmap(colour, ARO_BITMAP_MONOCHROME);
        unsigned white = 0;
        for (uint32_t y = 0; y < 16; ++y)
            for (uint32_t x = 0; x < 16; ++x) white += White(bitmap, x, y);
        EXPECT_NEAR(white, 256 * whiteShare, 1.5);
    }
}

TEST(HostPrintBitmapTest, ColourRowsAreRgbPaddedToFourBytes) {
    RasterImage page =
        Make(PixelKind::Rgb, 3, 2, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18});
    PrintBitmap bitmap = ToPrintBitmap(page, ARO_BITMAP_COLOUR);
    EXPECT_EQ(bitmap.stride, 12u);
    EXPECT_EQ(bitmap.bits,
              (std::vector<unsigned char>{1,  2,  3,  4,  5,  6,  7,  8,  9,  0, 0, 0,
                                          10, 11, 12, 13, 14, 15, 16, 17, 18, 0, 0, 0}));
    RasterImage bilevel = Make(PixelKind::Bilevel, 2, 1, {0x80});
    bitmap = ToPrintBitmap(bilevel, ARO_BITMAP_COLOUR);
    EXPECT_EQ(bitmap.bits, (std::vector<unsigned char>{0, 0, 0, 255, 255, 255, 0, 0}));
}

TEST(HostPrintBitmapTest, AutoModeWantsColourForAColouredAreaOrARenderersDecision) {
    RasterImage greys = Make(PixelKind::Rgb, 2, 1, {7, 7, 7, 200, 200, 201});
    RasterImage red = Make(PixelKind::Rgb, 2, 1, {7, 7, 7, 200, 20, 20});
    EXPECT_EQ(ChooseFormat(greys, ColourMode::Auto), ARO_BITMAP_MONOCHROME);
    EXPECT_EQ(ChooseFormat(red, ColourMode::Auto), ARO_BITMAP_COLOUR);
    EXPECT_EQ(ChooseFormat(red, ColourMode::Mono), ARO_BITMAP_MONOCHROME);
    EXPECT_EQ(ChooseFormat(greys, ColourMode::Colour), ARO_BITMAP_COLOUR);
    greys.colourDecided = true;
    EXPECT_EQ(ChooseFormat(greys, ColourMode::Auto), ARO_BITMAP_COLOUR);
}

// The 16 x 16 ordered-dither rank of a pixel, from its coordinates' bits:
// each bit pair adds its 2 x 2 rank (0 2 / 3 1), the finest pair weighing most.
unsigned DitherRank(uint32_t x, uint32_t y) {
    unsigned rank = 0;
    for (unsigned bit = 0; bit < 4; ++bit) {
        unsigned xb = (x >> bit) & 1, yb = (y >> bit) & 1;
        rank += (2 * (xb ^ yb) + yb) << (2 * (3 - bit));
    }
    return rank;
}

// What the dither must give, pixel by pixel, padding white.
std::vector<unsigned char> ReferenceDither(const RasterImage& page, size_t stride) {
    std::vector<unsigned char> bits(stride * page.height, 0xFF);
    for (uint32_t y = 0; y < page.height; ++y)
        for (uint32_t x = 0; x < page.width; ++x) {
            const unsigned char* p = page.row(y) + (page.kind == PixelKind::Grey ? x : 3 * x);
            const unsigned lightness = page.kind == PixelKind::Grey
                                           ? 1000u * p[0]
                                           : 299u * p[0] + 587u * p[1] + 114u * p[2];
            const bool light =
                256u * lightness > 1000u * (255u * DitherRank(x % 16, y % 16) + 127u);
            if (!light) bits[y * stride + x / 8] &= static_cast<unsigned char>(~(0x80 >> (x % 8)));
        }
    return bits;
}

TEST(HostPrintBitmapTest, DitherMatchesThePixelByPixelRule) {
    std::mt19937 random(5);
    for (PixelKind kind : {PixelKind::Grey, PixelKind::Rgb})
        for (uint32_t width : {1u, 7u, 8u, 9u, 31u, 33u, 64u, 100u}) {
            RasterImage page = Make(kind, width, 19, {});
            page.pixels.resize(page.rowBytes() * page.height);
            for (auto& sample : page.pixels) sample = static_cast<unsigned char>(random());
            PrintBitmap bitmap = ToPrintBitmap(page, ARO_BITMAP_MONOCHROME);
            EXPECT_EQ(bitmap.bits, ReferenceDither(page, bitmap.stride))
                << (kind == PixelKind::Grey ? "grey" : "RGB") << ", width " << width;
        }
}

}  // namespace
}  // namespace aro::host
