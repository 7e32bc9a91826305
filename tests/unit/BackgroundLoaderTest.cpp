#include "imaging/BackgroundLoader.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <tiffio.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fake/FakePlatform.h"
#include "imaging/BackgroundBitmap.h"
#include "imaging/BackgroundImageInfo.h"
#include "imaging/PlanarConfigRepair.h"
#include "unit/TestSupport.h"
#include "unit/TiffTestImages.h"

namespace aro::test {
namespace {

using Bgr = std::array<int, 3>;

const Bgr kWhite{255, 255, 255};
const Bgr kBlack{0, 0, 0};

// The fake platform with real temporary files, for the repaired copy.
class RealTempFilePlatform : public FakePlatform {
public:
    explicit RealTempFilePlatform(std::string folder) : m_folder(std::move(folder) + "/") {}

    uint32_t GetTempPath(char* buffer, uint32_t capacity) override {
        if (m_folder.size() + 1 > capacity) return static_cast<uint32_t>(m_folder.size() + 1);
        std::memcpy(buffer, m_folder.c_str(), m_folder.size() + 1);
        return static_cast<uint32_t>(m_folder.size());
    }
    bool CreateTempFile(const char* folder, const char* prefix, char* name,
                        uint32_t capacity) override {
        std::string pattern = std::string(folder) + prefix + "XXXXXX";
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        const int fd = mkstemp(buffer.data());
        if (fd < 0 || std::strlen(buffer.data()) + 1 > capacity) return false;
        close(fd);
        std::memcpy(name, buffer.data(), std::strlen(buffer.data()) + 1);
        tempNames.push_back(name);
        return true;
    }
    bool CopyFileTo(const char* source, const char* target, bool failIfExists) override {
        if (copyFails || (failIfExists && access(target, F_OK) == 0)) return false;
        return WriteFileBytes(target, ReadFileBytes(source));
    }
    bool RemoveFile(const char* path) override {
        removedFiles.push_back(path);
        return unlink(path) == 0;
    }

    std::vector<std::string> tempNames;
    bool copyFails = false;

private:
    std::string m_folder;
};

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* entry = readdir(dir))
            if (entry->d_name[0] != '.') names.push_back(entry->d_name);
        closedir(dir);
    }
    return names;
}

const std::vector<std::string> kBitPattern = {
    "#...................",
    "..##..##..##..##..##",
    "####################",
    "...................#",
};

unsigned RgbSample(uint32_t x, uint32_t y, unsigned channel) {
    return (x * 40 + y * 7 + channel * 90) % 256;
}

Bgr ExpectedBgr(uint32_t x, uint32_t y) {
    return {static_cast<int>(RgbSample(x, y, 2)), static_cast<int>(RgbSample(x, y, 1)),
            static_cast<int>(RgbSample(x, y, 0))};
}

TiffImageRecipe Recipe(uint32_t width, uint32_t height, uint16_t bits, uint16_t samples,
                       uint16_t photometric, uint16_t compression = COMPRESSION_NONE) {
    TiffImageRecipe recipe;
    recipe.width = width;
    recipe.height = height;
    recipe.bitsPerSample = bits;
    recipe.samplesPerPixel = samples;
    recipe.photometric = photometric;
    recipe.compression = compression;
    return recipe;
}

TiffImageRecipe RgbSpec(uint32_t width, uint32_t height) {
    return Recipe(width, height, 8, 3, PHOTOMETRIC_RGB);
}

TiffRows RgbRows(uint32_t width, uint32_t height) {
    return ByteRows(width, height, 3, RgbSample);
}

// An RGB file of one strip whose PlanarConfiguration says separate planes.
std::vector<unsigned char> PlanarDefectBytes(const std::string& scratch, const char* mode = "w") {
    if (!WriteTiff(scratch, RgbSpec(6, 4), RgbRows(6, 4), mode)) return {};
    std::vector<unsigned char> bytes = ReadFileBytes(scratch);
    if (!PatchTagValue(bytes, TIFFTAG_PLANARCONFIG, PLANARCONFIG_SEPARATE)) return {};
    return bytes;
}

class BackgroundLoaderTest : public ::testing::Test {
protected:
    void SetUp() override { bitmap.Reset(); }
    void TearDown() override { bitmap.FreeDib(); }

    std::string Path(const std::string& name) const { return folder.path() + "/" + name; }

    int Load(const std::string& path, uint32_t directory = 1) {
        bitmap.Clear();
        return LoadTiffImage(path.c_str(), &bitmap, directory);
    }
    int WriteAndLoad(const TiffImageRecipe& recipe, const TiffRows& rows) {
        const std::string path = Path("image.tif");
        if (!WriteTiff(path, recipe, rows)) return -100;
        return Load(path);
    }
    void ExpectBits(const std::vector<std::string>& pattern) {
        ASSERT_EQ(bitmap.GetBitCount(), 1);
        ASSERT_EQ(bitmap.GetHeight(), pattern.size());
        for (uint32_t y = 0; y < pattern.size(); ++y)
            for (uint32_t x = 0; x < pattern[y].size(); ++x)
                ASSERT_EQ(BitAt(bitmap, x, y), pattern[y][x] == '#') << x << "," << y;
    }
    void ExpectRgbPixels(uint32_t width, uint32_t height) {
        ASSERT_EQ(bitmap.GetBitCount(), 24);
        ASSERT_EQ(bitmap.GetWidth(), width);
        ASSERT_EQ(bitmap.GetHeight(), height);
        for (uint32_t y = 0; y < height; ++y)
            for (uint32_t x = 0; x < width; ++x)
                ASSERT_EQ(BgrAt(bitmap, x, y), ExpectedBgr(x, y)) << x << "," << y;
    }

    ScopedFakePlatform platform;
    TempFolder folder;
    BackgroundBitmap bitmap;
};

// ---- black-and-white images ----

TEST_F(BackgroundLoaderTest, GroupFourMinIsWhiteKeepsBitsWithWhiteBlackTable) {
    TiffImageRecipe recipe = Recipe(20, 4, 1, 1, PHOTOMETRIC_MINISWHITE, COMPRESSION_CCITTFAX4);
    recipe.xResolution = 300;
    recipe.yResolution = 150;
    recipe.resolutionUnit = RESUNIT_INCH;
    ASSERT_EQ(WriteAndLoad(recipe, BitRows(kBitPattern)), 1);
    ExpectBits(kBitPattern);
    EXPECT_EQ(bitmap.GetWidth(), 20u);
    EXPECT_EQ(bitmap.GetXResolution(), 300);
    EXPECT_EQ(bitmap.GetYResolution(), 150);
    EXPECT_EQ(PaletteBgr(bitmap, 0), kWhite);
    EXPECT_EQ(PaletteBgr(bitmap, 1), kBlack);
    EXPECT_EQ(bitmap.GetCompression(), 4u);
    EXPECT_EQ(bitmap.GetFormat(), 31u);
    EXPECT_EQ(bitmap.GetState(), 0);
    EXPECT_EQ(bitmap.GetDirectoryCount(), 1u);
    EXPECT_EQ(bitmap.GetDirectory(), 1u);
}

TEST_F(BackgroundLoaderTest, UncompressedMinIsBlackGetsBlackWhiteTable) {
    ASSERT_EQ(WriteAndLoad(Recipe(20, 4, 1, 1, PHOTOMETRIC_MINISBLACK), BitRows(kBitPattern)), 1);
    ExpectBits(kBitPattern);
    EXPECT_EQ(PaletteBgr(bitmap, 0), kBlack);
    EXPECT_EQ(PaletteBgr(bitmap, 1), kWhite);
}

TEST_F(BackgroundLoaderTest, CcittMinIsBlackIsTakenAsWhiteBlack) {
    for (uint16_t compression : {COMPRESSION_CCITTFAX3, COMPRESSION_CCITTFAX4}) {
        ASSERT_EQ(WriteAndLoad(Recipe(20, 4, 1, 1, PHOTOMETRIC_MINISBLACK, compression),
                               BitRows(kBitPattern)),
                  1);
        ExpectBits(kBitPattern);
        EXPECT_EQ(PaletteBgr(bitmap, 0), kWhite) << compression;
        EXPECT_EQ(PaletteBgr(bitmap, 1), kBlack) << compression;
    }
}

TEST_F(BackgroundLoaderTest, EveryBitOrderAndBilevelCompressionLoadsThePixelsTheFileShows) {
    // No row, and no byte, reads the same mirrored.
    const std::vector<std::string> pattern = {
        "##......#...###..#.#...##", "#.......########...##.#..", ".#.##...##.#....#....####"};
    const auto width = static_cast<uint32_t>(pattern[0].size());
    const auto height = static_cast<uint32_t>(pattern.size());
    TiffImageRecipe plain = Recipe(width, height, 1, 1, PHOTOMETRIC_MINISWHITE);
    ASSERT_TRUE(WriteTiff(Path("plain.tif"), plain, BitRows(pattern)));
    BackgroundBitmap original;
    original.Reset();
    ASSERT_EQ(LoadTiffImage(Path("plain.tif").c_str(), &original, 1), 1);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            ASSERT_EQ(BitAt(original, x, y), pattern[y][x] == '#') << x << "," << y;

    for (uint16_t compression : {COMPRESSION_NONE, COMPRESSION_CCITTRLE, COMPRESSION_CCITTFAX3,
                                 COMPRESSION_CCITTFAX4, COMPRESSION_LZW, COMPRESSION_PACKBITS}) {
        for (uint16_t fillOrder : {FILLORDER_MSB2LSB, FILLORDER_LSB2MSB}) {
            for (bool tiled : {false, true}) {
                TiffImageRecipe recipe = plain;
                recipe.compression = compression;
                recipe.fillOrder = fillOrder;
                recipe.tileWidth = recipe.tileLength = tiled ? 16 : 0;
                SCOPED_TRACE(testing::Message() << "compression " << compression << ", fill order "
                                                << fillOrder << (tiled ? ", tiled" : ""));
                ASSERT_EQ(WriteAndLoad(recipe, BitRows(pattern)), 1);
                ASSERT_EQ(bitmap.GetWidth(), width);
                ASSERT_EQ(bitmap.GetHeight(), height);
                EXPECT_EQ(PaletteBgr(bitmap, 0), PaletteBgr(original, 0));
                EXPECT_EQ(PaletteBgr(bitmap, 1), PaletteBgr(original, 1));
                for (uint32_t y = 0; y < height; ++y)
                    for (uint32_t x = 0; x < width; ++x)
                        ASSERT_EQ(BitAt(bitmap, x, y), BitAt(original, x, y)) << x << "," << y;
            }
        }
    }
    original.FreeDib();
}

// ---- palette, grey and colour images ----

TEST_F(BackgroundLoaderTest, EightBitPaletteTakesLowBytesOfAnEightBitMap) {
    TiffImageRecipe recipe = Recipe(7, 3, 8, 1, PHOTOMETRIC_PALETTE);
    for (unsigned i = 0; i < 256; ++i) recipe.colourMap.push_back(static_cast<uint16_t>(i));
    for (unsigned i = 0; i < 256; ++i) recipe.colourMap.push_back(static_cast<uint16_t>(255 - i));
    for (unsigned i = 0; i < 256; ++i)
        recipe.colourMap.push_back(static_cast<uint16_t>(i * 3 % 256));
    auto index = [](uint32_t x, uint32_t y, unsigned) { return x * 30 + y; };
    ASSERT_EQ(WriteAndLoad(recipe, ByteRows(7, 3, 1, index)), 1);
    ASSERT_EQ(bitmap.GetBitCount(), 8);
    for (unsigned i : {0u, 1u, 100u, 255u})
        EXPECT_EQ(PaletteBgr(bitmap, i), (Bgr{static_cast<int>(i * 3 % 256),
                                              255 - static_cast<int>(i), static_cast<int>(i)}));
    for (uint32_t y = 0; y < 3; ++y)
        for (uint32_t x = 0; x < 7; ++x)
            EXPECT_EQ(IndexAt(bitmap, x, y), static_cast<int>(index(x, y, 0)));
}

TEST_F(BackgroundLoaderTest, FourBitPaletteTakesHighBytesOfASixteenBitMap) {
    TiffImageRecipe recipe = Recipe(5, 2, 4, 1, PHOTOMETRIC_PALETTE);
    for (unsigned i = 0; i < 16; ++i) recipe.colourMap.push_back(static_cast<uint16_t>(i * 4369));
    for (unsigned i = 0; i < 16; ++i)
        recipe.colourMap.push_back(static_cast<uint16_t>(65535 - i * 4369));
    for (unsigned i = 0; i < 16; ++i) recipe.colourMap.push_back(static_cast<uint16_t>(0x1200 + i));
    const TiffRows rows = {{0x01, 0x23, 0x40}, {0xFE, 0xDC, 0xB0}};
    ASSERT_EQ(WriteAndLoad(recipe, rows), 1);
    ASSERT_EQ(bitmap.GetBitCount(), 4);
    EXPECT_EQ(PaletteBgr(bitmap, 0), (Bgr{0x12, 0xFF, 0x00}));
    EXPECT_EQ(PaletteBgr(bitmap, 15), (Bgr{0x12, 0x00, 0xFF}));
    const int expected[2][5] = {{0, 1, 2, 3, 4}, {15, 14, 13, 12, 11}};
    for (uint32_t y = 0; y < 2; ++y)
        for (uint32_t x = 0; x < 5; ++x) EXPECT_EQ(IndexAt(bitmap, x, y), expected[y][x]);
}

TEST_F(BackgroundLoaderTest, GreyImagesGetGreyTables) {
    auto level = [](uint32_t x, uint32_t y, unsigned) { return x * 20 + y; };
    ASSERT_EQ(WriteAndLoad(Recipe(9, 2, 8, 1, PHOTOMETRIC_MINISBLACK), ByteRows(9, 2, 1, level)),
              1);
    ASSERT_EQ(bitmap.GetBitCount(), 8);
    EXPECT_EQ(BackgroundBitmap::GetNumColors(bitmap.GetDib()), 256);
    for (int i : {0, 1, 128, 255}) EXPECT_EQ(PaletteBgr(bitmap, i), (Bgr{i, i, i}));
    EXPECT_EQ(IndexAt(bitmap, 8, 1), 161);

    const TiffRows fourBit = {{0x0F, 0x80}};
    ASSERT_EQ(WriteAndLoad(Recipe(3, 1, 4, 1, PHOTOMETRIC_MINISWHITE), fourBit), 1);
    ASSERT_EQ(bitmap.GetBitCount(), 4);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(PaletteBgr(bitmap, i)[0], 255 - i * 17);
    EXPECT_EQ(IndexAt(bitmap, 1, 0), 15);
    EXPECT_EQ(IndexAt(bitmap, 2, 0), 8);
}

TEST_F(BackgroundLoaderTest, RgbRowsAreStoredBlueGreenRed) {
    ASSERT_EQ(WriteAndLoad(RgbSpec(5, 3), RgbRows(5, 3)), 1);
    ExpectRgbPixels(5, 3);
    EXPECT_EQ(bitmap.GetStride(), 16u);
}

TEST_F(BackgroundLoaderTest, RgbaImageIsReadThroughRgbaAsTwentyFourBits) {
    TiffImageRecipe recipe = Recipe(6, 4, 8, 4, PHOTOMETRIC_RGB);
    recipe.extraSamples = {EXTRASAMPLE_UNASSALPHA};
    auto sample = [](uint32_t x, uint32_t y, unsigned c) {
        return c == 3 ? 255 : RgbSample(x, y, c);
    };
    ASSERT_EQ(WriteAndLoad(recipe, ByteRows(6, 4, 4, sample)), 1);
    ExpectRgbPixels(6, 4);
}

TEST_F(BackgroundLoaderTest, YCbCrJpegIsReadThroughRgba) {
    TiffImageRecipe recipe = Recipe(32, 32, 8, 3, PHOTOMETRIC_YCBCR, COMPRESSION_JPEG);
    recipe.jpegFromRgb = true;
    recipe.rowsPerStrip = 16;
    const Bgr quadrant[4] = {{200, 40, 30}, {20, 220, 60}, {90, 90, 250}, {255, 255, 255}};
    auto sample = [&](uint32_t x, uint32_t y, unsigned c) {
        const Bgr& bgr = quadrant[(y / 16) * 2 + x / 16];
        return bgr[2 - c];
    };
    ASSERT_EQ(WriteAndLoad(recipe, ByteRows(32, 32, 3, sample)), 1);
    ASSERT_EQ(bitmap.GetBitCount(), 24);
    for (uint32_t q = 0; q < 4; ++q) {
        const Bgr pixel = BgrAt(bitmap, (q % 2) * 16 + 8, (q / 2) * 16 + 8);
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(pixel[c], quadrant[q][c], 8) << q << "/" << c;
    }
}

TEST_F(BackgroundLoaderTest, SeparatePlanesAreReadThroughRgba) {
    TiffImageRecipe recipe = RgbSpec(5, 4);
    recipe.planarConfig = PLANARCONFIG_SEPARATE;
    ASSERT_EQ(WriteAndLoad(recipe, RgbRows(5, 4)), 1);
    ExpectRgbPixels(5, 4);
}

// ---- tiled images ----

TEST_F(BackgroundLoaderTest, TiledImagesAreReadTileByTile) {
    std::vector<std::string> pattern;
    for (uint32_t y = 0; y < 20; ++y) {
        std::string row;
        for (uint32_t x = 0; x < 40; ++x) row += (x * 7 + y * 3) % 5 == 0 ? '#' : '.';
        pattern.push_back(row);
    }
    TiffImageRecipe mono = Recipe(40, 20, 1, 1, PHOTOMETRIC_MINISWHITE, COMPRESSION_PACKBITS);
    mono.tileWidth = mono.tileLength = 16;
    ASSERT_EQ(WriteAndLoad(mono, BitRows(pattern)), 1);
    ExpectBits(pattern);

    TiffImageRecipe colour = RgbSpec(40, 20);
    colour.tileWidth = colour.tileLength = 16;
    ASSERT_EQ(WriteAndLoad(colour, RgbRows(40, 20)), 1);
    ExpectRgbPixels(40, 20);

    TiffImageRecipe grey = Recipe(40, 20, 8, 1, PHOTOMETRIC_MINISBLACK, COMPRESSION_LZW);
    grey.tileWidth = grey.tileLength = 16;
    auto level = [](uint32_t x, uint32_t y, unsigned) { return x + 40 * y; };
    ASSERT_EQ(WriteAndLoad(grey, ByteRows(40, 20, 1, level)), 1);
    for (uint32_t y = 0; y < 20; ++y)
        for (uint32_t x = 0; x < 40; ++x)
            ASSERT_EQ(IndexAt(bitmap, x, y), static_cast<int>((x + 40 * y) % 256));
}

// ---- resolutions and directories ----

TEST_F(BackgroundLoaderTest, ResolutionsAreConvertedAndBounded) {
    struct Case {
        float x, y;
        uint16_t unit;
        int32_t expectedX, expectedY;
    };
    const Case cases[] = {
        {300, 150, RESUNIT_INCH, 300, 150},
        {118.11f, 40, RESUNIT_CENTIMETER, 299, 101},  // truncated after the conversion
        {0, 0, 0, 100, 100},                          // absent
        {0, 0, RESUNIT_CENTIMETER, 254, 254},         // 100 taken as centimetres
        {20000, 300, RESUNIT_INCH, 200, 200},
        {5000, 10, RESUNIT_CENTIMETER, 200, 200},  // above 10000 once converted
        {72.9f, 10000, RESUNIT_INCH, 72, 10000},
    };
    for (const Case& c : cases) {
        TiffImageRecipe recipe = Recipe(8, 1, 1, 1, PHOTOMETRIC_MINISWHITE);
        recipe.xResolution = c.x;
        recipe.yResolution = c.y;
        recipe.resolutionUnit = c.unit;
        ASSERT_EQ(WriteAndLoad(recipe, BitRows({"#......."})), 1);
        EXPECT_EQ(bitmap.GetXResolution(), c.expectedX) << c.x << " " << c.unit;
        EXPECT_EQ(bitmap.GetYResolution(), c.expectedY) << c.y << " " << c.unit;
        int32_t pelsPerMeter = 0;
        std::memcpy(&pelsPerMeter, bitmap.GetDib() + 24, 4);
        EXPECT_EQ(pelsPerMeter, BackgroundBitmap::DpiToPelsPerMeter(c.expectedX));
    }
}

TEST_F(BackgroundLoaderTest, DirectoryNumberSelectsTheImage) {
    const std::string path = Path("two.tif");
    ASSERT_TRUE(WriteTiff(path, {Recipe(8, 1, 1, 1, PHOTOMETRIC_MINISWHITE), RgbSpec(3, 2)},
                          {BitRows({"#......."}), RgbRows(3, 2)}));
    ASSERT_EQ(Load(path, 2), 1);
    EXPECT_EQ(bitmap.GetDirectoryCount(), 2u);
    EXPECT_EQ(bitmap.GetDirectory(), 2u);
    ExpectRgbPixels(3, 2);
    ASSERT_EQ(Load(path, 0), 1);
    EXPECT_EQ(bitmap.GetDirectory(), 1u);
    EXPECT_EQ(bitmap.GetBitCount(), 1);
    ASSERT_EQ(Load(path, 9), 1);
    EXPECT_EQ(bitmap.GetDirectory(), 2u);
    EXPECT_EQ(bitmap.GetBitCount(), 24);
}

// ---- refused images ----

TEST_F(BackgroundLoaderTest, MissingOrUnreadableFilesFail) {
    EXPECT_EQ(LoadTiffImage("", &bitmap, 1), -1);
    EXPECT_EQ(LoadTiffImage(nullptr, &bitmap, 1), -1);
    EXPECT_EQ(LoadTiffImage(Path("none.tif").c_str(), nullptr, 1), -1);
    EXPECT_EQ(Load(Path("none.tif")), -1);
    ASSERT_TRUE(WriteFileBytes(Path("text.tif"), {'h', 'e', 'l', 'l', 'o'}));
    EXPECT_EQ(Load(Path("text.tif")), -1);
    EXPECT_EQ(bitmap.GetBitCount(), 0);
}

TEST_F(BackgroundLoaderTest, CompressionOutsideTheAcceptedSetGivesMinusTen) {
    for (uint16_t compression : {COMPRESSION_ADOBE_DEFLATE, COMPRESSION_DEFLATE}) {
        EXPECT_EQ(WriteAndLoad(Recipe(8, 2, 1, 1, PHOTOMETRIC_MINISWHITE, compression),
                               BitRows({"#.......", "........"})),
                  -10)
            << compression;
        EXPECT_EQ(bitmap.GetBitCount(), 0);
    }
    EXPECT_EQ(WriteAndLoad(Recipe(8, 1, 1, 1, PHOTOMETRIC_MINISWHITE, COMPRESSION_LZW),
                           BitRows({"#......."})),
              1);
}

TEST_F(BackgroundLoaderTest, FailedAllocationFailsTheLoad) {
    const std::string path = Path("rgb.tif");
    ASSERT_TRUE(WriteTiff(path, RgbSpec(4, 4), RgbRows(4, 4)));
    platform->allocationFails = true;
    EXPECT_EQ(Load(path), -1);
    EXPECT_EQ(bitmap.GetDib(), nullptr);
    EXPECT_EQ(bitmap.GetBitCount(), 0);
}

TEST_F(BackgroundLoaderTest, SampleSizesWithoutABitmapLayoutAreRefused) {
    // 2 x 12 bits would pass for a 24-bit image.
    TiffImageRecipe twelve = Recipe(4, 2, 12, 2, PHOTOMETRIC_MINISBLACK);
    twelve.extraSamples = {EXTRASAMPLE_UNSPECIFIED};
    EXPECT_EQ(
        WriteAndLoad(twelve, ByteRows(4, 2, 6, [](uint32_t, uint32_t, unsigned) { return 7; })),
        -1);
    EXPECT_EQ(bitmap.GetBitCount(), 0);

    EXPECT_EQ(WriteAndLoad(Recipe(4, 2, 16, 1, PHOTOMETRIC_MINISBLACK),
                           ByteRows(4, 2, 2, [](uint32_t, uint32_t, unsigned) { return 1; })),
              -1);
    EXPECT_EQ(WriteAndLoad(Recipe(8, 1, 2, 1, PHOTOMETRIC_MINISBLACK), {{0x1B, 0xE4}}), -1);

    TiffImageRecipe deepPalette = Recipe(2, 1, 16, 1, PHOTOMETRIC_PALETTE);
    deepPalette.colourMap.assign(3 * 65536, 0);
    EXPECT_EQ(WriteAndLoad(deepPalette, {{0, 1, 0, 2}}), -1);
}

TEST_F(BackgroundLoaderTest, RowsLongerThanTheBitmapStrideAreRefused) {
    // 66 samples of 4 bits make 264 bits, kept as 8 bits a pixel.
    TiffImageRecipe recipe = Recipe(3, 2, 4, 66, PHOTOMETRIC_MINISBLACK);
    recipe.extraSamples.assign(65, EXTRASAMPLE_UNSPECIFIED);
    EXPECT_EQ(
        WriteAndLoad(recipe, ByteRows(3, 2, 33, [](uint32_t, uint32_t, unsigned) { return 9; })),
        -1);
    EXPECT_NE(bitmap.GetBitCount(), 1);
    EXPECT_NE(bitmap.GetBitCount(), 24);
}

TEST(BackgroundBitCountTest, IsTheProductOfSampleSizesModulo256) {
    BackgroundImageInfo info;
    info.samplesPerPixel = 3;
    info.bitsPerSample = 8;
    EXPECT_EQ(BackgroundBitCount(info), 24);
    info.samplesPerPixel = 0;
    EXPECT_EQ(BackgroundBitCount(info), 8);
    // Largest counts a file can declare: no overflow on the way.
    info.samplesPerPixel = 65535;
    info.bitsPerSample = 65535;
    EXPECT_EQ(BackgroundBitCount(info), 1);
    EXPECT_FALSE(HasBitmapRowLayout(info));
}

TEST_F(BackgroundLoaderTest, ThirtyTwoBitImageWithoutRgbaReaderKeepsBitCount32) {
    TiffImageRecipe recipe = Recipe(2, 2, 8, 4, PHOTOMETRIC_LOGL);
    recipe.extraSamples = {EXTRASAMPLE_UNSPECIFIED, EXTRASAMPLE_UNSPECIFIED,
                           EXTRASAMPLE_UNSPECIFIED};
    EXPECT_EQ(
        WriteAndLoad(recipe, ByteRows(2, 2, 4, [](uint32_t, uint32_t, unsigned) { return 3; })),
        -1);
    EXPECT_EQ(bitmap.GetBitCount(), 32);
}

// ---- the repaired copy of a single-strip "separate planes" file ----

class BackgroundRepairedCopyTest : public BackgroundLoaderTest {
protected:
    void SetUp() override {
        BackgroundLoaderTest::SetUp();
        SetPlatform(&temp);
        defect = Path("defect.tif");
        original = PlanarDefectBytes(Path("scratch.tif"));
        ASSERT_FALSE(original.empty());
        ASSERT_TRUE(WriteFileBytes(defect, original));
    }
    void TearDown() override {
        BackgroundLoaderTest::TearDown();
        SetPlatform(&*platform);
    }

    TempFolder tempFolder;
    RealTempFilePlatform temp{tempFolder.path()};
    std::string defect;
    std::vector<unsigned char> original;
};

TEST_F(BackgroundRepairedCopyTest, DefectiveFileIsLoadedFromAPrivateRepairedCopy) {
    ASSERT_EQ(Load(defect), 1);
    ExpectRgbPixels(6, 4);
    ASSERT_EQ(temp.tempNames.size(), 1u);
    EXPECT_EQ(temp.tempNames[0].rfind(tempFolder.path() + "/xxx", 0), 0u) << temp.tempNames[0];
    EXPECT_EQ(temp.removedFiles, temp.tempNames);
    EXPECT_TRUE(FolderEntries(tempFolder.path()).empty());
    EXPECT_EQ(ReadFileBytes(defect), original);
}

TEST_F(BackgroundRepairedCopyTest, FailedCopyLeavesNoTemporaryFile) {
    temp.copyFails = true;
    LoadTiffImage(defect.c_str(), &bitmap, 1);
    ASSERT_EQ(temp.tempNames.size(), 1u);
    EXPECT_EQ(temp.removedFiles, temp.tempNames);
    EXPECT_TRUE(FolderEntries(tempFolder.path()).empty());
}

TEST_F(BackgroundRepairedCopyTest, RefusedCompressionStillDeletesTheCopy) {
    std::vector<unsigned char> bytes = original;
    ASSERT_TRUE(PatchTagValue(bytes, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE));
    ASSERT_TRUE(WriteFileBytes(defect, bytes));
    EXPECT_EQ(Load(defect), -10);
    ASSERT_EQ(temp.tempNames.size(), 1u);
    EXPECT_TRUE(FolderEntries(tempFolder.path()).empty());
}

TEST_F(BackgroundRepairedCopyTest, EveryCopyHasItsOwnName) {
    char first[260];
    char second[260];
    TIFF* a = OpenRepairedCopy(defect.c_str(), first);
    TIFF* b = OpenRepairedCopy(defect.c_str(), second);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_STRNE(first, second);
    uint16_t planar = 0;
    EXPECT_TRUE(TIFFGetField(a, TIFFTAG_PLANARCONFIG, &planar));
    EXPECT_EQ(planar, PLANARCONFIG_CONTIG);
    TIFFClose(a);
    TIFFClose(b);
    unlink(first);
    unlink(second);
}

TEST_F(BackgroundRepairedCopyTest, HealthyFileGetsNoCopy) {
    const std::string healthy = Path("healthy.tif");
    ASSERT_TRUE(WriteTiff(healthy, RgbSpec(6, 4), RgbRows(6, 4)));
    char name[260] = "unchanged";
    EXPECT_EQ(OpenRepairedCopy(healthy.c_str(), name), nullptr);
    EXPECT_STREQ(name, "");
    EXPECT_TRUE(temp.tempNames.empty());
    ASSERT_EQ(Load(healthy), 1);
    EXPECT_TRUE(temp.tempNames.empty());
}

// ---- the planar configuration scan ----

class BackgroundPlanarConfigScanTest : public BackgroundLoaderTest {
protected:
    bool Check(const std::vector<unsigned char>& bytes) {
        const std::string path = Path("scan.tif");
        return WriteFileBytes(path, bytes) && HasPlanarConfigDefect(path.c_str());
    }
    bool Repair(const std::vector<unsigned char>& bytes) {
        const std::string path = Path("scan.tif");
        return WriteFileBytes(path, bytes) && RepairPlanarConfigDefect(path.c_str());
    }
    // A directory of the kind the scan looks for; next is its successor.
    std::vector<std::vector<uint32_t>> DefectEntries(uint32_t planar = 2) {
        return {{258, 3, 1, 24}, {273, 4, 1, 8}, {277, 3, 1, 3}, {284, 3, 1, planar}};
    }
};

TEST_F(BackgroundPlanarConfigScanTest, FindsAndRepairsInBothByteOrders) {
    for (const char* mode : {"w", "wb"}) {
        const std::string path = Path("defect.tif");
        const std::vector<unsigned char> bytes = PlanarDefectBytes(Path("scratch.tif"), mode);
        ASSERT_FALSE(bytes.empty());
        ASSERT_TRUE(WriteFileBytes(path, bytes));
        EXPECT_TRUE(HasPlanarConfigDefect(path.c_str())) << mode;
        EXPECT_EQ(ReadFileBytes(path), bytes);
        EXPECT_TRUE(RepairPlanarConfigDefect(path.c_str())) << mode;
        EXPECT_FALSE(HasPlanarConfigDefect(path.c_str())) << mode;
        TIFF* tif = TIFFOpen(path.c_str(), "r");
        ASSERT_NE(tif, nullptr);
        uint16_t planar = 0;
        TIFFGetField(tif, TIFFTAG_PLANARCONFIG, &planar);
        EXPECT_EQ(planar, PLANARCONFIG_CONTIG) << mode;
        TIFFClose(tif);
    }
}

TEST_F(BackgroundPlanarConfigScanTest, OtherFilesAndModesAreNotTouched) {
    EXPECT_FALSE(HasPlanarConfigDefect(nullptr));
    EXPECT_FALSE(RepairPlanarConfigDefect(nullptr));
    EXPECT_FALSE(HasPlanarConfigDefect(Path("none.tif").c_str()));

    TiffImageRecipe twoStrips = RgbSpec(6, 4);
    twoStrips.rowsPerStrip = 2;
    ASSERT_TRUE(WriteTiff(Path("strips.tif"), twoStrips, RgbRows(6, 4)));
    std::vector<unsigned char> bytes = ReadFileBytes(Path("strips.tif"));
    ASSERT_TRUE(PatchTagValue(bytes, TIFFTAG_PLANARCONFIG, PLANARCONFIG_SEPARATE));
    EXPECT_FALSE(Check(bytes));

    RawTiffBuilder grey;
    grey.SetFirstDirectory(
        grey.AddDirectory({{258, 3, 1, 8}, {273, 4, 1, 8}, {277, 3, 1, 3}, {284, 3, 1, 2}}, 0));
    EXPECT_FALSE(Check(grey.bytes()));
    std::vector<unsigned char> notTiff = {'I', 'I', 43, 0, 8, 0, 0, 0};
    EXPECT_FALSE(Check(notTiff));
}

TEST_F(BackgroundPlanarConfigScanTest, BitsPerSampleArrayIsSummed) {
    RawTiffBuilder file;
    const uint32_t directory =
        file.AddDirectory({{258, 3, 3, 0}, {273, 4, 1, 8}, {277, 3, 1, 3}, {284, 3, 1, 2}}, 0);
    file.SetFirstDirectory(directory);
    const auto array = static_cast<uint32_t>(file.bytes().size());
    file.Put16(array, 8);
    file.Put16(array + 2, 8);
    file.Put16(array + 4, 8);
    file.Put32(directory + 2 + 8, array);
    EXPECT_TRUE(Check(file.bytes()));
    file.Put32(directory + 2 + 8, 0x7FFFFFF0);  // the array lies past the end
    EXPECT_FALSE(Check(file.bytes()));
    file.Put32(directory + 2 + 4, 0xFFFFFFFF);  // absurd count
    EXPECT_FALSE(Check(file.bytes()));
}

TEST_F(BackgroundPlanarConfigScanTest, LoopingDirectoriesEndTheScan) {
    RawTiffBuilder selfLoop;
    const uint32_t only = selfLoop.AddDirectory(DefectEntries(1), 0);
    selfLoop.SetFirstDirectory(only);
    selfLoop.Put32(only + 2 + 4 * 12, only);
    EXPECT_FALSE(Check(selfLoop.bytes()));

    // A -> B -> A, the defect in B: found, and the scan still ends.
    RawTiffBuilder cycle;
    const uint32_t a = cycle.AddDirectory(DefectEntries(1), 0);
    const uint32_t b = cycle.AddDirectory(DefectEntries(2), a);
    cycle.Put32(a + 2 + 4 * 12, b);
    cycle.SetFirstDirectory(a);
    EXPECT_TRUE(Check(cycle.bytes()));
    EXPECT_TRUE(Repair(cycle.bytes()));
}

TEST_F(BackgroundPlanarConfigScanTest, LongDirectoryChainsEnd) {
    RawTiffBuilder chain;
    uint32_t next = 0;
    for (int i = 0; i < 20000; ++i) next = chain.AddDirectory({{277, 3, 1, 1}}, next);
    chain.SetFirstDirectory(next);
    EXPECT_FALSE(Check(chain.bytes()));
}

TEST_F(BackgroundPlanarConfigScanTest, OffsetsPastTheEndAndTruncatedDirectoriesEndTheScan) {
    RawTiffBuilder pastEnd;
    pastEnd.SetFirstDirectory(0xFFFFFFF0);
    EXPECT_FALSE(Check(pastEnd.bytes()));

    RawTiffBuilder nextPastEnd;
    nextPastEnd.SetFirstDirectory(nextPastEnd.AddDirectory(DefectEntries(), 0x7FFFFFFF));
    EXPECT_TRUE(Check(nextPastEnd.bytes()));

    // The directory claims 65535 entries; the planar entry is cut off.
    RawTiffBuilder truncated;
    const uint32_t directory = truncated.AddDirectory(DefectEntries(), 0);
    truncated.SetFirstDirectory(directory);
    truncated.Put16(directory, 0xFFFF);
    truncated.bytes().resize(directory + 2 + 3 * 12 + 5);
    EXPECT_FALSE(Check(truncated.bytes()));
    EXPECT_FALSE(Repair(truncated.bytes()));
    EXPECT_EQ(ReadFileBytes(Path("scan.tif")).size(), truncated.bytes().size());

    std::vector<unsigned char> header = {'M', 'M', 0, 42, 0, 0};
    EXPECT_FALSE(Check(header));
}

}  // namespace
}  // namespace aro::test
