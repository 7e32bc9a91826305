// Background images through the built module on Windows: a letterhead
// merged into every band, and a defective file read from a private copy in
// the temporary folder (GetTempFileNameA, CopyFileA, DeleteFileA).
#include <gtest/gtest.h>
#include <tiffio.h>

#include <cstring>

#include "PageImages.h"
#include "WindowsHarness.h"
#include "common/TiffInspect.h"

namespace aro::wtest {
namespace {

// A 1-bit Group 4 background, MinIsWhite, black inside the rectangle.
bool WriteMonoBackground(const std::string& path, uint32_t width, uint32_t height, RECT black) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    if (tif == nullptr) return false;
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
        for (uint32_t x = 0; x < width; ++x)
            if (LONG(x) >= black.left && LONG(x) < black.right && LONG(y) >= black.top &&
                LONG(y) < black.bottom)
                row[x / 8] |= static_cast<unsigned char>(0x80 >> (x % 8));
        TIFFWriteScanline(tif, row.data(), y, 0);
    }
    TIFFClose(tif);
    return true;
}

// A black RGB image in one strip, marked as separate planes: the module
// reads it from a repaired copy.
bool WriteDefectiveColourBackground(const std::string& path, uint32_t width, uint32_t height) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    if (tif == nullptr) return false;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, height);
    std::vector<unsigned char> row(width * 3, 0);
    for (uint32_t y = 0; y < height; ++y) TIFFWriteScanline(tif, row.data(), y, 0);
    TIFFClose(tif);
    // Little-endian file: patch the PlanarConfiguration entry's value to 2.
    std::string bytes = ReadFile(path);
    uint32_t directory = 0;
    std::memcpy(&directory, &bytes[4], 4);
    uint16_t entries = 0;
    std::memcpy(&entries, &bytes[directory], 2);
    for (uint16_t i = 0; i < entries; ++i) {
        const std::size_t entry = directory + 2 + i * 12u;
        uint16_t tag = 0;
        std::memcpy(&tag, &bytes[entry], 2);
        if (tag == TIFFTAG_PLANARCONFIG) {
            bytes[entry + 8] = PLANARCONFIG_SEPARATE;
            WriteFile(path, bytes);
            return true;
        }
    }
    return false;
}

bool StoredBlack(const std::vector<unsigned char>& row, uint32_t x) {
    return (row[x / 8] >> (7 - x % 8)) & 1;
}

ARO_JOB(MonoPageInBands) {
    m.startDoc();
    for (int s : PrintPage(m, MonoPage(200, 100, 1), 200, 100, 32, 1))
        job.outputs.push_back(std::to_string(s));
    m.endDoc();
}

ARO_JOB(ColourPageInBands) {
    m.startDoc();
    for (int s : PrintPage(m, ColourPage(64, 40), 64, 40, 16, 5))
        job.outputs.push_back(std::to_string(s));
    m.endDoc();
}

TEST(BackgroundJobTest, LetterheadIsMergedIntoEveryBand) {
    Sandbox box;
    const std::string letterhead = box.root() + "\\letterhead.tif";
    ASSERT_TRUE(WriteMonoBackground(letterhead, 160, 60, RECT{10, 5, 50, 40}));
    box.UseSettings({{"PrintBackgroundImage", "1"}, {"BackgroundImageFirstPage", letterhead}});
    JobResult job = box.Run("MonoPageInBands");
    ASSERT_EQ(job.exitCode, 0u) << job.messages;
    EXPECT_EQ(job.outputs, std::vector<std::string>(4, "0"));
    auto files = box.Files(box.outDir(), ".TIF");
    ASSERT_EQ(files.size(), 1u);
    std::vector<test::TiffPage> pages;
    ASSERT_TRUE(test::ReadTiffPages(box.outDir() + "\\" + files[0], &pages));
    ASSERT_EQ(pages.size(), 1u);
    ASSERT_EQ(pages[0].rows.size(), 100u);
    const auto host = MonoPage(200, 100, 1);
    // The rectangle spans the first two bands (rows 5 to 39).
    for (uint32_t y = 0; y < 100; ++y)
        for (uint32_t x = 0; x < 200; ++x) {
            const bool letterheadBlack = x >= 10 && x < 50 && y >= 5 && y < 40;
            ASSERT_EQ(StoredBlack(pages[0].rows[y], x),
                      HostBlack(host, 200, x, y) || letterheadBlack)
                << x << "," << y;
        }
}

TEST(BackgroundJobTest, DefectiveBackgroundIsMergedAndItsCopyDeleted) {
    Sandbox box;
    const std::string background = box.root() + "\\defective.tif";
    ASSERT_TRUE(WriteDefectiveColourBackground(background, 32, 24));
    box.UseSettings({{"PrintBackgroundImage", "1"}, {"BackgroundImageFirstPageColor", background}});
    JobResult job = box.Run("ColourPageInBands");
    ASSERT_EQ(job.exitCode, 0u) << job.messages;
    EXPECT_EQ(job.outputs, std::vector<std::string>(3, "0"));
    // The copy went into the job's temporary folder and is gone again.
    EXPECT_EQ(box.Files(box.tempDir(), ""), std::vector<std::string>{});
    auto files = box.Files(box.outDir(), ".TIF");
    ASSERT_EQ(files.size(), 1u);
    std::vector<test::TiffPage> pages;
    ASSERT_TRUE(test::ReadTiffPages(box.outDir() + "\\" + files[0], &pages));
    ASSERT_EQ(pages.size(), 1u);
    ASSERT_EQ(pages[0].rows.size(), 40u);
    // Black background ANDed into the top-left 32 x 24 pixels; JPEG blurs
    // the edge, so look inside and well outside it.
    EXPECT_LT(pages[0].rows[10][10 * 3 + 1], 24);
    EXPECT_GT(pages[0].rows[34][50 * 3 + 2], 150);
}

}  // namespace
}  // namespace aro::wtest
