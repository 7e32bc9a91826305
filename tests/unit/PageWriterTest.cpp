#include <gtest/gtest.h>
#include <tiffio.h>

#include <cmath>
#include <cstdlib>

#include "TestSupport.h"
#include "common/TiffInspect.h"
#include "imaging/BackgroundBitmap.h"
#include "imaging/ColourPageWriter.h"
#include "imaging/MonochromePageWriter.h"
#include "job/JobContext.h"

namespace aro {
namespace {

using test::ScopedFakePlatform;

// A 1-bit page, rows padded to 32 bits, with a pattern that differs in
// every row (set bit = white).
std::vector<unsigned char> MonoPage(uint32_t width, uint32_t rows) {
    uint32_t stride = (width + 31) / 32 * 4;
    std::vector<unsigned char> page(size_t(stride) * rows);
    for (uint32_t y = 0; y < rows; ++y)
        for (uint32_t b = 0; b < stride; ++b)
            page[size_t(y) * stride + b] = static_cast<unsigned char>((y * 31 + b * 7) ^ (b * y));
    return page;
}

// A colour page, rows padded to 4 bytes, smooth enough for JPEG.
std::vector<unsigned char> ColourPage(uint32_t width, uint32_t rows) {
    uint32_t stride = (width * 3 + 3) / 4 * 4;
    std::vector<unsigned char> page(size_t(stride) * rows, 0xEE);
    for (uint32_t y = 0; y < rows; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            unsigned char* p = &page[size_t(y) * stride + x * 3];
            p[0] = static_cast<unsigned char>(40 + x * 150 / width);
            p[1] = static_cast<unsigned char>(200 - y * 120 / rows);
            p[2] = static_cast<unsigned char>((x + y) % 64 + 90);
        }
    return page;
}

class PageWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        path = folder.path() + "/page.TIF";
        g_job.page.out = TIFFOpen(path.c_str(), "w");
        ASSERT_NE(g_job.page.out, nullptr);
        g_job.page.background = new BackgroundBitmap();
        g_job.page.background->Reset();
        g_job.phase.firstPage = true;
    }
    void TearDown() override { Close(); }
    void Close() {
        if (g_job.page.out) TIFFClose(g_job.page.out);
        g_job.page.out = nullptr;
        ReleaseStripBuffer();
        if (g_job.page.background) {
            g_job.page.background->FreeDib();
            delete g_job.page.background;
            g_job.page.background = nullptr;
        }
    }
    void StartPage() {
        g_job.page.firstBand = true;
        g_job.page.imageHeight = 0;
    }
    // Writes the page in bands of the given heights; returns the statuses.
    std::vector<int32_t> WriteMono(std::vector<unsigned char>& page, uint32_t width,
                                   std::vector<uint32_t> bands) {
        StartPage();
        uint32_t stride = (width + 31) / 32 * 4, top = 0;
        std::vector<int32_t> statuses;
        for (size_t i = 0; i < bands.size(); ++i) {
            statuses.push_back(AppendTiffG4(page.data() + size_t(top) * stride, bands[i], width,
                                            300, i + 1 < bands.size() ? 1 : 0));
            top += bands[i];
        }
        return statuses;
    }
    std::vector<int32_t> WriteColour(std::vector<unsigned char>& page, uint32_t width,
                                     std::vector<uint32_t> bands) {
        StartPage();
        uint32_t stride = (width * 3 + 3) / 4 * 4, top = 0;
        std::vector<int32_t> statuses;
        for (size_t i = 0; i < bands.size(); ++i) {
            statuses.push_back(AppendTiffJPEG(page.data() + size_t(top) * stride, bands[i], width,
                                              150, i + 1 < bands.size() ? 1 : 0x100));
            top += bands[i];
        }
        return statuses;
    }
    std::vector<test::TiffPage> Pages() {
        Close();
        std::vector<test::TiffPage> pages;
        EXPECT_TRUE(test::ReadTiffPages(path, &pages));
        return pages;
    }

    test::TempFolder folder;
    ScopedFakePlatform fake;
    std::string path;
};

TEST_F(PageWriterTest, MonochromePageInThreeBandsIsStoredBitForBit) {
    const uint32_t width = 1700, stride = 216;
    auto page = MonoPage(width, 250);
    auto original = page;
    EXPECT_EQ(WriteMono(page, width, {100, 100, 50}), (std::vector<int32_t>{0, 0, 0}));
    // The caller's band is left complemented, padding included.
    for (size_t i = 0; i < page.size(); ++i) ASSERT_EQ(page[i], uint8_t(~original[i])) << i;
    EXPECT_EQ(g_job.page.pageCount, 1);
    auto pages = Pages();
    ASSERT_EQ(pages.size(), 1u);
    const auto& p = pages[0];
    EXPECT_EQ(p.width, width);
    EXPECT_EQ(p.height, 250u);
    EXPECT_EQ(p.rowsPerStrip, 100u);
    EXPECT_EQ(p.strips, 3u);
    EXPECT_EQ(p.compression, COMPRESSION_CCITTFAX4);
    EXPECT_EQ(p.photometric, PHOTOMETRIC_MINISWHITE);
    EXPECT_EQ(p.bitsPerSample, 1);
    EXPECT_EQ(p.samplesPerPixel, 1);
    EXPECT_EQ(p.planarConfig, PLANARCONFIG_CONTIG);
    EXPECT_EQ(p.resolutionUnit, RESUNIT_INCH);
    EXPECT_FLOAT_EQ(p.xResolution, 300);
    EXPECT_FLOAT_EQ(p.yResolution, 300);
    EXPECT_EQ(p.fillOrder, 0);
    EXPECT_FALSE(p.hasPageNumber);
    EXPECT_FALSE(p.hasSubfileType);
    ASSERT_EQ(p.rows.size(), 250u);
    for (uint32_t y = 0; y < 250; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            bool written = (page[y * stride + x / 8] >> (7 - x % 8)) & 1;
            bool stored = (p.rows[y][x / 8] >> (7 - x % 8)) & 1;
            ASSERT_EQ(stored, written) << "row " << y << " pixel " << x;
        }
}

TEST_F(PageWriterTest, MonochromeTagsOfThePage) {
    auto page = MonoPage(64, 8);
    WriteMono(page, 64, {8});
    Close();
    auto tags = test::ReadDirectoryTags(path);
    ASSERT_EQ(tags.size(), 1u);
    EXPECT_EQ(tags[0], (std::vector<uint16_t>{256, 257, 258, 259, 262, 273, 277, 278, 279, 282, 283,
                                              284, 296}));
}

TEST_F(PageWriterTest, EmptyLaterBandStillEndsThePage) {
    auto page = MonoPage(64, 16);
    test::OpenLogForTest(*fake);
    std::vector<int32_t> statuses = WriteMono(page, 64, {16, 0});
    EXPECT_EQ(statuses, (std::vector<int32_t>{0, 0}));
    auto lines = test::LogLines(*fake);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Lines written"), 2);
    EXPECT_EQ(lines.back(), "No Banding, return.");
    auto pages = Pages();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].height, 16u);
}

TEST_F(PageWriterTest, EveryPageIsADirectoryOfItsOwn) {
    auto page = MonoPage(64, 16);
    WriteMono(page, 64, {16});
    auto colour = ColourPage(40, 16);
    WriteColour(colour, 40, {16});
    WriteMono(page, 64, {8, 8});
    EXPECT_EQ(g_job.page.pageCount, 3);
    auto pages = Pages();
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(pages[0].compression, COMPRESSION_CCITTFAX4);
    EXPECT_EQ(pages[1].compression, COMPRESSION_JPEG);
    EXPECT_EQ(pages[2].compression, COMPRESSION_CCITTFAX4);
    EXPECT_EQ(pages[2].rowsPerStrip, 8u);
}

TEST_F(PageWriterTest, NoOpenFileShowsTheMessage) {
    Close();
    CopyText(g_job.names.printDir, "/out");
    auto page = MonoPage(64, 8);
    StartPage();
    EXPECT_EQ(AppendTiffG4(page.data(), 8, 64, 300, 0), -1);
    EXPECT_EQ(AppendTiffJPEG(page.data(), 8, 16, 300, 0), -1);
    ASSERT_EQ(fake->messages.size(), 2u);
    EXPECT_EQ(fake->messages[0].text,
              "Cannot open TIFF file in the directory \"/out\".\n\nCheck to make sure this "
              "directory exists and to have enough rights.");
    EXPECT_TRUE(g_job.page.firstBand);
}

TEST_F(PageWriterTest, MissingBackgroundGivesMinusTwoThenMinusThree) {
    g_job.settings.backgroundImage = true;
    auto page = MonoPage(64, 24);
    EXPECT_EQ(WriteMono(page, 64, {8, 8, 8}), (std::vector<int32_t>{-2, -3, 0}));
    auto colour = ColourPage(16, 24);
    EXPECT_EQ(WriteColour(colour, 16, {8, 8, 8}), (std::vector<int32_t>{-2, -3, 0}));
    EXPECT_EQ(Pages().size(), 2u);
}

TEST_F(PageWriterTest, HostileBandsGetAClearStatus) {
    StartPage();
    EXPECT_EQ(AppendTiffG4(nullptr, 8, 64, 300, 0), -2);
    StartPage();
    EXPECT_EQ(AppendTiffJPEG(nullptr, 8, 16, 300, 0), -2);
    StartPage();
    // A width at the 32-bit limit must not wrap the row size to a few bytes.
    EXPECT_EQ(AppendTiffJPEG(nullptr, 8, 0xFFFFFFFFu, 300, 0), -2);
}

double MeanError(const std::vector<unsigned char>& band, uint32_t width, uint32_t rows,
                 const test::TiffPage& page, uint32_t* worst) {
    uint32_t stride = (width * 3 + 3) / 4 * 4;
    double sum = 0;
    *worst = 0;
    for (uint32_t y = 0; y < rows; ++y)
        for (uint32_t i = 0; i < width * 3; ++i) {
            uint32_t e = std::abs(int(band[size_t(y) * stride + i]) - int(page.rows[y][i]));
            sum += e;
            *worst = std::max(*worst, e);
        }
    return sum / (double(width) * 3 * rows);
}

TEST_F(PageWriterTest, ColourPageOfOneBand) {
    fake->tempPath = "";
    auto page = ColourPage(120, 100);
    auto original = page;
    test::OpenLogForTest(*fake);
    EXPECT_EQ(WriteColour(page, 120, {100}), (std::vector<int32_t>{0}));
    EXPECT_EQ(page, original);
    auto lines = test::LogLines(*fake);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Rows < m_TiffRowsPerStrip"), 1);
    EXPECT_EQ(lines.back(), "Return iFile");
    auto pages = Pages();
    ASSERT_EQ(pages.size(), 1u);
    const auto& p = pages[0];
    EXPECT_EQ(p.height, 100u);
    EXPECT_EQ(p.rowsPerStrip, 8u);
    EXPECT_EQ(p.strips, 13u);
    EXPECT_EQ(p.compression, COMPRESSION_JPEG);
    EXPECT_EQ(p.photometric, PHOTOMETRIC_RGB);
    EXPECT_EQ(p.samplesPerPixel, 3);
    EXPECT_EQ(p.bitsPerSample, 8);
    EXPECT_FLOAT_EQ(p.xResolution, 150);
    ASSERT_EQ(p.rows.size(), 100u);
    uint32_t worst;
    EXPECT_LT(MeanError(original, 120, 100, p, &worst), 3.0);
    EXPECT_LT(worst, 48u);
}

TEST_F(PageWriterTest, ColourBandsOfMultiplesOfEightKeepTheirStripNumbers) {
    auto page = ColourPage(1001, 144);
    test::OpenLogForTest(*fake);
    WriteColour(page, 1001, {96, 48});
    auto lines = test::LogLines(*fake);
    std::vector<std::string> strips;
    for (const auto& l : lines)
        if (l.rfind("TIFFWriteEncodedStrip=", 0) == 0) strips.push_back(l.substr(22));
    ASSERT_EQ(strips.size(), 18u);
    for (int i = 0; i < 18; ++i) EXPECT_EQ(strips[i], std::to_string(i));
    auto pages = Pages();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].height, 144u);
    EXPECT_EQ(pages[0].strips, 18u);
    uint32_t worst;
    EXPECT_LT(MeanError(page, 1001, 144, pages[0], &worst), 3.0);
}

TEST_F(PageWriterTest, ColourBandOfAnOddHeightLosesNoRow) {
    auto page = ColourPage(64, 131);
    EXPECT_EQ(WriteColour(page, 64, {100, 27, 4}), (std::vector<int32_t>{0, 0, 0}));
    auto pages = Pages();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].height, 131u);
    EXPECT_EQ(pages[0].strips, 17u);
    ASSERT_EQ(pages[0].rows.size(), 131u);
    uint32_t worst;
    EXPECT_LT(MeanError(page, 64, 131, pages[0], &worst), 3.0);
    EXPECT_LT(worst, 48u);
}

TEST_F(PageWriterTest, ColourFirstByteIsRed) {
    std::vector<unsigned char> page(16 * 3 * 16);
    for (size_t i = 0; i < page.size(); i += 3) {
        page[i] = 250;
        page[i + 1] = 10;
        page[i + 2] = 10;
    }
    WriteColour(page, 16, {16});
    auto pages = Pages();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_GT(pages[0].rows[5][0], 230);
    EXPECT_LT(pages[0].rows[5][1], 30);
    EXPECT_LT(pages[0].rows[5][2], 30);
}

}  // namespace
}  // namespace aro
