#include <gtest/gtest.h>
#include <tiffio.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "ModuleHarness.h"
#include "common/TiffInspect.h"

namespace aro::itest {
namespace {

// JPEG at quality 75 on these smooth test pictures: the mean error per
// sample stays below 3 levels, no sample is off by 48 or more.
constexpr double kMeanTolerance = 3.0;
constexpr int kWorstTolerance = 48;

// A 1-bit Group 4 background, MinIsWhite, black inside the rectangle.
void WriteMonoBackground(const std::string& path, uint32_t width, uint32_t height, uint32_t x0,
                         uint32_t y0, uint32_t x1, uint32_t y1) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(tif, nullptr);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, height);
    std::vector<unsigned char> row((width + 7) / 8);
    for (uint32_t y = 0; y < height; ++y) {
        std::fill(row.begin(), row.end(), 0);
        for (uint32_t x = x0; x < x1 && y >= y0 && y < y1; ++x) row[x / 8] |= 0x80 >> (x % 8);
        TIFFWriteScanline(tif, row.data(), y, 0);
    }
    TIFFClose(tif);
}

unsigned char BackgroundChannel(uint32_t x, uint32_t y, int c) {
    return static_cast<unsigned char>(c == 0 ? 255 - x * 2 : c == 1 ? 200 + y : 128 + (x + y) / 2);
}

// A 24-bit RGB background with a smooth pattern.
void WriteColourBackground(const std::string& path, uint32_t width, uint32_t height) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(tif, nullptr);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, height);
    std::vector<unsigned char> row(width * 3);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c) row[x * 3 + c] = BackgroundChannel(x, y, c);
        TIFFWriteScanline(tif, row.data(), y, 0);
    }
    TIFFClose(tif);
}

// A colour page, rows padded to 4 bytes: a soft gradient.
std::vector<unsigned char> ColourPage(uint32_t width, uint32_t rows) {
    uint32_t stride = (width * 3 + 3) / 4 * 4;
    std::vector<unsigned char> page(size_t(stride) * rows, 0);
    for (uint32_t y = 0; y < rows; ++y)
        for (uint32_t x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                page[size_t(y) * stride + x * 3 + c] = static_cast<unsigned char>(c == 0   ? 60 + x
                                                                                  : c == 1 ? 250 - y
                                                                                           : 180);
    return page;
}

bool Black(const std::vector<unsigned char>& row, uint32_t x) {
    return (row[x / 8] >> (7 - x % 8)) & 1;
}

// Compares a stored colour page with what the page should show.
void ExpectColourWithinTolerance(const test::TiffPage& page,
                                 const std::function<int(uint32_t, uint32_t, int)>& expected) {
    ASSERT_EQ(page.rows.size(), page.height);
    double sum = 0;
    int worst = 0;
    for (uint32_t y = 0; y < page.height; ++y)
        for (uint32_t x = 0; x < page.width; ++x)
            for (int c = 0; c < 3; ++c) {
                int e = std::abs(int(page.rows[y][x * 3 + c]) - expected(x, y, c));
                sum += e;
                worst = std::max(worst, e);
            }
    EXPECT_LT(sum / (double(page.width) * page.height * 3), kMeanTolerance);
    EXPECT_LT(worst, kWorstTolerance);
}

TEST(BackgroundJobTest, MixedDocumentWithLetterheads) {
    Sandbox box;
    const uint32_t monoWidth = 200, monoRows = 100, colourWidth = 64, colourRows = 40;
    std::string first = box.root() + "/first.tif", next = box.root() + "/next.tif",
                colour = box.root() + "/colour.tif";
    WriteMonoBackground(first, 160, 60, 10, 5, 50, 20);
    WriteMonoBackground(next, 300, 200, 100, 90, 120, 95);
    WriteColourBackground(colour, 48, 32);
    box.UseSettings({{"PrintBackgroundImage", "1"},
                     {"BackgroundImageFirstPage", first},
                     {"BackgroundImageNextPages", next},
                     {"BackgroundImageFirstPageColor", colour},
                     {"BackgroundImageNextPagesColor", colour}});
    JobResult job = box.Run([&](Module& m, std::vector<std::string>& out) {
        m.startDoc();
        auto record = [&](const std::vector<int>& statuses) {
            for (int s : statuses) out.push_back(std::to_string(s));
        };
        record(PrintPage(m, MonoPage(monoWidth, monoRows, 1), monoWidth, monoRows, 32, 1));
        record(PrintPage(m, ColourPage(colourWidth, colourRows), colourWidth, colourRows, 16, 5));
        record(PrintPage(m, MonoPage(monoWidth, monoRows, 2), monoWidth, monoRows, 100, 1));
        m.endDoc();
    });
    ASSERT_EQ(job.exitCode, 0) << job.standardError;
    // 4 + 3 + 1 bands, all accepted.
    EXPECT_EQ(job.outputs, std::vector<std::string>(8, "0"));
    auto files = box.Files(box.outDir(), ".TIF");
    ASSERT_EQ(files.size(), 1u);
    std::vector<test::TiffPage> pages;
    ASSERT_TRUE(test::ReadTiffPages(box.outDir() + "/" + files[0], &pages));
    ASSERT_EQ(pages.size(), 3u);

    // Page 1: the host's black plus the first-page letterhead's rectangle.
    auto host = MonoPage(monoWidth, monoRows, 1);
    const uint32_t stride = (monoWidth + 31) / 32 * 4;
    for (uint32_t y = 0; y < monoRows; ++y)
        for (uint32_t x = 0; x < monoWidth; ++x) {
            bool hostBlack = !((host[y * stride + x / 8] >> (7 - x % 8)) & 1);
            bool letterhead = x >= 10 && x < 50 && y >= 5 && y < 20;
            ASSERT_EQ(Black(pages[0].rows[y], x), hostBlack || letterhead) << x << "," << y;
        }

    // Page 2 (colour): each channel ANDed with the colour letterhead, which
    // covers the top-left 48 x 32 pixels only.
    EXPECT_EQ(pages[1].compression, COMPRESSION_JPEG);
    EXPECT_EQ(pages[1].strips, 5u);
    auto colourHost = ColourPage(colourWidth, colourRows);
    const uint32_t colourStride = (colourWidth * 3 + 3) / 4 * 4;
    ExpectColourWithinTolerance(pages[1], [&](uint32_t x, uint32_t y, int c) {
        int value = colourHost[y * colourStride + x * 3 + c];
        return x < 48 && y < 32 ? value & BackgroundChannel(x, y, c) : value;
    });

    // Page 3: the next-pages letterhead.
    host = MonoPage(monoWidth, monoRows, 2);
    for (uint32_t y = 0; y < monoRows; ++y)
        for (uint32_t x = 0; x < monoWidth; ++x) {
            bool hostBlack = !((host[y * stride + x / 8] >> (7 - x % 8)) & 1);
            bool letterhead = x >= 100 && x < 120 && y >= 90 && y < 95;
            ASSERT_EQ(Black(pages[2].rows[y], x), hostBlack || letterhead) << x << "," << y;
        }
}

TEST(BackgroundJobTest, UnusableBackgroundsLeaveThePagePlain) {
    Sandbox box;
    std::string colour = box.root() + "/colour.tif";
    WriteColourBackground(colour, 48, 32);
    box.UseSettings({{"PrintBackgroundImage", "1"},
                     {"BackgroundImageFirstPage", colour},  // 24-bit under a 1-bit page
                     {"BackgroundImageFirstPageColor", box.root() + "/missing.tif"}});
    JobResult job = box.Run([&](Module& m, std::vector<std::string>& out) {
        m.startDoc();
        for (int s : PrintPage(m, MonoPage(64, 24, 1), 64, 24, 8, 1))
            out.push_back(std::to_string(s));
        m.endDoc();
    });
    ASSERT_EQ(job.exitCode, 0);
    EXPECT_EQ(job.outputs, (std::vector<std::string>{"-3", "-3", "0"}));
    std::vector<test::TiffPage> pages;
    auto files = box.Files(box.outDir(), ".TIF");
    ASSERT_EQ(files.size(), 1u);
    ASSERT_TRUE(test::ReadTiffPages(box.outDir() + "/" + files[0], &pages));
    ASSERT_EQ(pages.size(), 1u);
    auto host = MonoPage(64, 24, 1);
    for (uint32_t y = 0; y < 24; ++y)
        for (uint32_t x = 0; x < 64; ++x)
            ASSERT_EQ(Black(pages[0].rows[y], x), !((host[y * 8 + x / 8] >> (7 - x % 8)) & 1));
}

// libtiff's own handlers would print its complaints about a background file
// on the host's standard error; the module reports through its statuses.
TEST(BackgroundJobTest, ABrokenBackgroundPrintsNothing) {
    Sandbox box;
    std::string broken = box.root() + "/broken.tif";
    std::FILE* file = std::fopen(broken.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("no image in here", file);
    std::fclose(file);
    box.UseSettings({{"PrintBackgroundImage", "1"}, {"BackgroundImageFirstPage", broken}});
    JobResult job = box.Run([&](Module& m, std::vector<std::string>& out) {
        m.startDoc();
        for (int s : PrintPage(m, MonoPage(64, 16, 1), 64, 16, 8, 1))
            out.push_back(std::to_string(s));
        m.endDoc();
    });
    ASSERT_EQ(job.exitCode, 0);
    EXPECT_EQ(job.outputs, (std::vector<std::string>{"-2", "0"}));
    EXPECT_EQ(job.standardError, "");
}

}  // namespace
}  // namespace aro::itest
