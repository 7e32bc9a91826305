#include <gtest/gtest.h>
#include <tiffio.h>

#include <string>
#include <vector>

#include "fake/FakePlatform.h"
#include "imaging/BackgroundBitmap.h"
#include "imaging/BackgroundLoader.h"
#include "imaging/BackgroundMerge.h"
#include "imaging/BackgroundRowSpans.h"
#include "unit/TestSupport.h"
#include "unit/TiffTestImages.h"

namespace aro::test {
namespace {

// Pictures are text rows, top row first: 'B' black, '.' white.
using Picture = std::vector<std::string>;

uint32_t MonoStride(uint32_t width) {
    return (width + 31) / 32 * 4;
}

// A 1-bit page band: a clear bit is black; padding bits are set.
std::vector<unsigned char> MonoBand(const Picture& picture) {
    const uint32_t stride = MonoStride(static_cast<uint32_t>(picture[0].size()));
    std::vector<unsigned char> band(stride * picture.size(), 0xFF);
    for (std::size_t y = 0; y < picture.size(); ++y)
        for (std::size_t x = 0; x < picture[y].size(); ++x)
            if (picture[y][x] == 'B')
                band[y * stride + x / 8] &= static_cast<unsigned char>(~(0x80 >> x % 8));
    return band;
}

bool BandBit(const std::vector<unsigned char>& band, uint32_t width, uint32_t x, uint32_t y) {
    return band[y * MonoStride(width) + x / 8] >> (7 - x % 8) & 1;
}

void SetEntry(BackgroundBitmap& bitmap, unsigned index, unsigned char level) {
    unsigned char* entry = bitmap.GetPalette() + 4 * index;
    entry[0] = entry[1] = entry[2] = level;
}

// A loaded 1-bit background; with zeroIsBlack its table is (black, white)
// as for an uncompressed MinIsBlack file, else (white, black).
void MakeMonoBackground(BackgroundBitmap& background, const Picture& picture, bool zeroIsBlack) {
    background.Clear();
    background.SetWidth(static_cast<uint32_t>(picture[0].size()));
    background.SetHeight(static_cast<uint32_t>(picture.size()));
    background.SetBitCount(1);
    ASSERT_EQ(background.AllocDib(), 1);
    SetEntry(background, 0, zeroIsBlack ? 0 : 255);
    SetEntry(background, 1, zeroIsBlack ? 255 : 0);
    for (uint32_t y = 0; y < picture.size(); ++y) {
        unsigned char* row = background.GetRow(background.GetHeight() - 1 - y);
        for (uint32_t x = 0; x < picture[y].size(); ++x)
            if ((picture[y][x] == 'B') != zeroIsBlack)
                row[x / 8] |= static_cast<unsigned char>(0x80 >> x % 8);
    }
}

// Blue, green, red per pixel of a 24-bit background of width x height.
template <typename Colour>
void MakeColourBackground(BackgroundBitmap& background, uint32_t width, uint32_t height,
                          Colour colour) {
    background.Clear();
    background.SetWidth(width);
    background.SetHeight(height);
    background.SetBitCount(24);
    ASSERT_EQ(background.AllocDib(), 1);
    for (uint32_t y = 0; y < height; ++y) {
        unsigned char* row = background.GetRow(height - 1 - y);
        for (uint32_t x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c) row[3 * x + c] = colour(x, y, c);
    }
}

class BackgroundMergeTest : public ::testing::Test {
protected:
    void SetUp() override { background.Reset(); }
    void TearDown() override { background.FreeDib(); }

    int Merge(std::vector<unsigned char>& band, uint32_t rows, uint32_t width, uint32_t firstRow,
              int bits) {
        return MergeBackground(&background, band.data(), rows, width, firstRow, bits);
    }
    void ExpectPicture(const std::vector<unsigned char>& band, const Picture& expected) {
        const auto width = static_cast<uint32_t>(expected[0].size());
        for (uint32_t y = 0; y < expected.size(); ++y)
            for (uint32_t x = 0; x < width; ++x)
                EXPECT_EQ(BandBit(band, width, x, y), expected[y][x] != 'B') << x << "," << y;
    }

    ScopedFakePlatform platform;
    BackgroundBitmap background;
};

// ---- monochrome ----

TEST_F(BackgroundMergeTest, PageShowsTheUnionOfBothBlacks) {
    for (bool zeroIsBlack : {false, true}) {
        MakeMonoBackground(background, {"BB......BB......", "................", "B..............B"},
                           zeroIsBlack);
        auto band = MonoBand({"..BB............", "BBBBBBBBBBBBBBBB", "................"});
        ASSERT_EQ(Merge(band, 3, 16, 0, 1), 1);
        ExpectPicture(band, {"BBBB....BB......", "BBBBBBBBBBBBBBBB", "B..............B"});
    }
}

TEST_F(BackgroundMergeTest, BandRowsMeetTheBackgroundRowsOfTheirPageRows) {
    MakeMonoBackground(background,
                       {"B.......", ".B......", "..B.....", "...B....", "....B...", ".....B.."},
                       false);
    auto band = MonoBand({"........", "........"});
    ASSERT_EQ(Merge(band, 2, 8, 3, 1), 1);
    ExpectPicture(band, {"...B....", "....B..."});
}

TEST_F(BackgroundMergeTest, RowsBelowAShorterBackgroundStayUnchanged) {
    MakeMonoBackground(background, {"BBBBBBBBBBBB", "B..........B"}, false);
    auto band = MonoBand({"............", "...B........", "............", "............"});
    const auto untouched = band;
    ASSERT_EQ(Merge(band, 4, 12, 1, 1), 1);
    ExpectPicture(band, {"B..........B", "...B........", "............", "............"});
    for (std::size_t i = 4; i < band.size(); ++i) EXPECT_EQ(band[i], untouched[i]) << i;
}

TEST_F(BackgroundMergeTest, PartialLastByteKeepsOnlyItsPixelBits) {
    MakeMonoBackground(background, {"..........B."}, false);
    auto band = MonoBand({"B..........."});
    ASSERT_EQ(Merge(band, 1, 12, 0, 1), 1);
    // Pixels 8 to 11 are white, black, white... the bits beyond pixel 11 become 0.
    EXPECT_EQ(band[1], 0xD0);
    EXPECT_EQ(band[0], 0x7F);
    EXPECT_EQ(band[2], 0xFF);
    EXPECT_EQ(band[3], 0xFF);
}

TEST_F(BackgroundMergeTest, ColumnsBeyondANarrowerBackgroundStayUnchanged) {
    // MinIsBlack: its padding bits turn black when the image is inverted.
    MakeMonoBackground(background, {"B........B", ".........."}, true);
    auto band = MonoBand({"........................", "...................B...."});
    ASSERT_EQ(Merge(band, 2, 24, 0, 1), 1);
    ExpectPicture(band, {"B........B..............", "...................B...."});
}

TEST_F(BackgroundMergeTest, MinIsBlackBackgroundIsInvertedOnlyOnce) {
    MakeMonoBackground(background, {"BB..B...", "........"}, true);
    auto first = MonoBand({"........", ".B......"});
    auto second = first;
    ASSERT_EQ(Merge(first, 2, 8, 0, 1), 1);
    EXPECT_EQ(PaletteBgr(background, 0), (std::array<int, 3>{255, 255, 255}));
    EXPECT_EQ(PaletteBgr(background, 1), (std::array<int, 3>{0, 0, 0}));
    ASSERT_EQ(Merge(second, 2, 8, 0, 1), 1);
    EXPECT_EQ(first, second);
    ExpectPicture(first, {"BB..B...", ".B......"});
}

TEST_F(BackgroundMergeTest, NormalizeMonoPolarityInvertsOnlyBilevelImagesWithRows) {
    MakeMonoBackground(background, {"B......."}, true);
    EXPECT_TRUE(NormalizeMonoPolarity(background));
    EXPECT_EQ(background.GetRow(0)[0], 0x80);
    EXPECT_EQ(background.GetRow(0)[3], 0xFF);
    EXPECT_EQ(PaletteBgr(background, 0)[0], 255);
    MakeColourBackground(background, 2, 1, [](uint32_t, uint32_t, int) { return 7; });
    EXPECT_FALSE(NormalizeMonoPolarity(background));
    EXPECT_EQ(background.GetRow(0)[0], 7);
    background.Clear();
    background.SetBitCount(1);
    EXPECT_FALSE(NormalizeMonoPolarity(background));
}

// ---- colour ----

TEST_F(BackgroundMergeTest, ColourChannelsAreAndedWithTheSameChannel) {
    // Background pixel (x, y) is blue 0x3C, green 0xF0 + y, red 0xAA - x.
    MakeColourBackground(background, 3, 4, [](uint32_t x, uint32_t y, int c) {
        return static_cast<unsigned char>(c == 0 ? 0x3C : c == 1 ? 0xF0 + y : 0xAA - x);
    });
    const uint32_t stride = 12;  // 3 pixels, padded
    std::vector<unsigned char> band(stride * 2, 0xFF);
    band[0] = 0xF0;
    band[1] = 0x0F;
    ASSERT_EQ(Merge(band, 2, 3, 1, 24), 1);
    EXPECT_EQ(band[0], 0xF0 & 0xAA);
    EXPECT_EQ(band[1], 0x0F & 0xF1);
    EXPECT_EQ(band[2], 0x3C);
    EXPECT_EQ(band[6], 0xAA - 2);  // red of pixel 2
    EXPECT_EQ(band[stride + 1], 0xF2);
    EXPECT_EQ(band[9], 0xFF);  // row padding
    EXPECT_EQ(band[stride + 9], 0xFF);
}

TEST_F(BackgroundMergeTest, ColourOutsideASmallerBackgroundStaysUnchanged) {
    MakeColourBackground(background, 2, 1, [](uint32_t, uint32_t, int) { return 0; });
    const uint32_t stride = 12;
    std::vector<unsigned char> band(stride * 3, 0x77);
    ASSERT_EQ(Merge(band, 3, 4, 0, 24), 1);
    for (uint32_t i = 0; i < band.size(); ++i) EXPECT_EQ(band[i], i < 6 ? 0 : 0x77) << i;
}

// ---- refusals ----

TEST_F(BackgroundMergeTest, MissingOrMismatchedImagesAreNotMerged) {
    MakeColourBackground(background, 8, 1, [](uint32_t, uint32_t, int) { return 0; });
    auto band = MonoBand({"........"});
    const auto untouched = band;
    EXPECT_EQ(MergeBackground(nullptr, band.data(), 1, 8, 0, 1), -1);
    EXPECT_EQ(MergeBackground(&background, nullptr, 1, 8, 0, 1), -1);
    EXPECT_EQ(Merge(band, 1, 8, 0, 8), -2);
    EXPECT_EQ(Merge(band, 1, 8, 0, 1), -2);  // a colour image under a 1-bit band
    EXPECT_EQ(band, untouched);
}

TEST_F(BackgroundMergeTest, BitmapWithoutPixelsChangesNothing) {
    platform->allocationFails = true;
    background.SetWidth(8);
    background.SetHeight(1);
    background.SetBitCount(1);
    ASSERT_EQ(background.AllocDib(), -1);
    auto band = MonoBand({"B......."});
    const auto untouched = band;
    Merge(band, 1, 8, 0, 1);
    EXPECT_EQ(band, untouched);
}

// ---- long rows ----

// Merges with the background's row spans and without; both give the band.
void MergeBothWays(BackgroundBitmap& background, std::vector<unsigned char>& band, uint32_t rows,
                   uint32_t width, int bits, std::vector<unsigned char>* withSpans) {
    const BackgroundRowSpans spans = FindBackgroundRowSpans(background);
    *withSpans = band;
    ASSERT_EQ(MergeBackground(&background, withSpans->data(), rows, width, 0, bits, &spans), 1);
    ASSERT_EQ(MergeBackground(&background, band.data(), rows, width, 0, bits), 1);
}

TEST_F(BackgroundMergeTest, LongRowsMergeEveryPixelWithOrWithoutRowSpans) {
    // White but for a stretch of each row that differs from row to row.
    const auto level = [](uint32_t width) {
        return [width](uint32_t x, uint32_t y, int c) {
            const bool coloured = x >= y * width / 4 && x <= width / 2 + y;
            return static_cast<unsigned char>(coloured ? (x * 37 + y * 11 + c * 101) % 256 : 255);
        };
    };
    for (uint32_t width : {1u, 8u, 9u, 17u, 45u, 130u}) {
        MakeColourBackground(background, width, 2, level(width));  // blue, green, red
        const uint32_t stride = (width * 3 + 3) / 4 * 4;
        std::vector<unsigned char> band(stride * 2), withSpans;
        for (std::size_t i = 0; i < band.size(); ++i)
            band[i] = static_cast<unsigned char>(i * 53 + 200);
        const std::vector<unsigned char> page = band;
        MergeBothWays(background, band, 2, width, 24, &withSpans);
        EXPECT_EQ(withSpans, band) << width;
        for (uint32_t y = 0; y < 2; ++y)
            for (uint32_t x = 0; x < width; ++x)
                for (int c = 0; c < 3; ++c)  // red, green, blue
                    ASSERT_EQ(band[y * stride + 3 * x + c],
                              page[y * stride + 3 * x + c] & level(width)(x, y, 2 - c))
                        << width << ": " << x << "," << y << "," << c;
    }

    const auto dots = [](uint32_t width) {
        Picture picture(2, std::string(width, '.'));
        for (uint32_t y = 0; y < 2; ++y)
            for (uint32_t x = 0; x < width; ++x) {
                // Row 0 starts with white bytes, row 1 with a black byte.
                const bool dot = (x * 7 + y * 3) % 5 == 0;
                if (y == 0 ? x >= 40 && dot : x < 8 || dot) picture[y][x] = 'B';
            }
        return picture;
    };
    for (bool zeroIsBlack : {false, true}) {
        for (uint32_t backgroundWidth : {150u, 131u, 100u}) {
            Picture page(2, std::string(150, '.'));
            for (uint32_t x = 20; x < 150; x += 11) page[0][x] = page[1][x + 1] = 'B';
            const Picture ground = dots(backgroundWidth);
            MakeMonoBackground(background, ground, zeroIsBlack);
            Picture expected = page;
            for (uint32_t y = 0; y < 2; ++y)
                for (uint32_t x = 0; x < backgroundWidth; ++x)
                    if (ground[y][x] == 'B') expected[y][x] = 'B';
            auto band = MonoBand(page);
            std::vector<unsigned char> withSpans;
            MergeBothWays(background, band, 2, 150, 1, &withSpans);
            ExpectPicture(band, expected);
            EXPECT_EQ(withSpans, band) << zeroIsBlack << ", " << backgroundWidth;
        }
    }
}

// ---- loaded files ----

TEST_F(BackgroundMergeTest, LoadedGroupFourAndMinIsBlackFilesMergeAlike) {
    TempFolder folder;
    const std::vector<std::string> bits = {"#.......#.#", "...........", "##########."};
    TiffImageRecipe g4;
    g4.width = 11;
    g4.height = 3;
    g4.photometric = PHOTOMETRIC_MINISWHITE;
    g4.compression = COMPRESSION_CCITTFAX4;
    ASSERT_TRUE(WriteTiff(folder.path() + "/g4.tif", g4, BitRows(bits)));
    // The same picture with inverted bits.
    std::vector<std::string> inverted = bits;
    for (auto& row : inverted)
        for (char& c : row) c = c == '#' ? '.' : '#';
    TiffImageRecipe plain = g4;
    plain.photometric = PHOTOMETRIC_MINISBLACK;
    plain.compression = COMPRESSION_NONE;
    ASSERT_TRUE(WriteTiff(folder.path() + "/plain.tif", plain, BitRows(inverted)));

    const Picture page = {"..B..........", ".............", "............B"};
    const Picture expected = {"B.B.....B.B..", ".............", "BBBBBBBBBB..B"};
    for (const char* name : {"/g4.tif", "/plain.tif"}) {
        background.Clear();
        ASSERT_EQ(LoadTiffImage((folder.path() + name).c_str(), &background, 1), 1);
        auto band = MonoBand(page);
        ASSERT_EQ(Merge(band, 3, 13, 0, 1), 1);
        ExpectPicture(band, expected);
    }
}

TEST_F(BackgroundMergeTest, LoadedRgbFileMergesOnAColourBand) {
    TempFolder folder;
    TiffImageRecipe rgb;
    rgb.width = 2;
    rgb.height = 2;
    rgb.bitsPerSample = 8;
    rgb.samplesPerPixel = 3;
    rgb.photometric = PHOTOMETRIC_RGB;
    const TiffRows rows = {{0xFF, 0x00, 0xFF, 0x0F, 0xF0, 0xFF},
                           {0x11, 0x22, 0x33, 0xFF, 0xFF, 0xFF}};
    ASSERT_TRUE(WriteTiff(folder.path() + "/rgb.tif", rgb, rows));
    ASSERT_EQ(LoadTiffImage((folder.path() + "/rgb.tif").c_str(), &background, 1), 1);
    std::vector<unsigned char> band(8, 0xFF);  // one row, 2 pixels + padding
    band[3] = 0x3C;
    ASSERT_EQ(Merge(band, 1, 2, 1, 24), 1);  // page row 1 is the file's second row
    EXPECT_EQ(band, (std::vector<unsigned char>{0x11, 0x22, 0x33, 0x3C, 0xFF, 0xFF, 0xFF, 0xFF}));
    std::vector<unsigned char> top(8, 0xFF);
    ASSERT_EQ(Merge(top, 1, 2, 0, 24), 1);
    EXPECT_EQ(top, (std::vector<unsigned char>{0xFF, 0x00, 0xFF, 0x0F, 0xF0, 0xFF, 0xFF, 0xFF}));
}

}  // namespace
}  // namespace aro::test
