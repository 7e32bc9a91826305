// aro-print under settings that change what a page becomes: CutLines, fax
// resolutions, backgrounds that cannot be used, a page limit.
#include <gtest/gtest.h>

#include <algorithm>

#include <tiffio.h>

#include "BackgroundWarning.h"
#include "HostTestSupport.h"

namespace aro::hosttest {
namespace {

using host::RasterImage;

size_t Occurrences(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

TEST(AroPrintSettingsTest, CutLinesTrimsTheBottomOfEachPageNotEveryBand) {
    Sandbox box;
    box.UseSettings({{"CutLines", "10"}});
    RasterImage page = BilevelPattern(48, 600, 4);
    WriteFile(box.root() + "/tall.pbm", EncodePnm(page) + EncodePnm(page));

    HostRun run = RunAroPrint(box, {"--band-rows", "64", "tall.pbm"});

    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("2 page(s), 2 band(s)"), std::string::npos) << run.out;
    std::vector<test::TiffPage> pages = OnlyOutput(box);
    ASSERT_EQ(pages.size(), 2u);
    page.height = 590;
    page.pixels.resize(page.rowBytes() * page.height);
    std::string difference;
    EXPECT_TRUE(SameBilevelPixels(pages[1], page, &difference)) << difference;
}

TEST(AroPrintSettingsTest, FaxResolutionKeepsThePageSizeWithSquarePixels) {
    Sandbox box;
    box.UseSettings({});
    RasterImage fax = BilevelPattern(64, 49, 2);
    ASSERT_TRUE(WriteTiff(box.root() + "/fax.tif", {fax}, 204, 98));

    HostRun run = RunAroPrint(box, {"fax.tif"});

    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::vector<test::TiffPage> pages = OnlyOutput(box);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].xResolution, 204);
    EXPECT_EQ(pages[0].yResolution, 204);
    ASSERT_EQ(pages[0].height, 102u);  // 49 rows of 1/98 inch
    ASSERT_EQ(pages[0].width, 64u);
    for (uint32_t y = 0; y < pages[0].height; ++y) {
        const unsigned char* source = fax.row(y * 49 / 102);
        EXPECT_TRUE(std::equal(source, source + 8, pages[0].rows[y].begin())) << "row " << y;
    }
}

TEST(AroPrintSettingsTest, UnusableBackgroundsAreWarningsAndAPageLimitIsNamed) {
    Sandbox box;
    const std::string letterhead = box.root() + "/letterhead.tif";
    ASSERT_TRUE(WriteTiff(letterhead, {BilevelPattern(40, 300, 9)}));
    std::string pages;
    for (int seed = 1; seed <= 3; ++seed) pages += EncodePnm(BilevelPattern(40, 300, seed));
    WriteFile(box.root() + "/doc.pbm", pages);

    // A letterhead on the first page only: the later pages have none, as set.
    box.UseSettings({{"PrintBackgroundImage", "1"}, {"BackgroundImageFirstPage", letterhead}});
    HostRun firstOnly = RunAroPrint(box, {"doc.pbm"});
    EXPECT_EQ(firstOnly.exitCode, 0) << firstOnly.err;
    EXPECT_EQ(firstOnly.err.find("warning"), std::string::npos) << firstOnly.err;
    EXPECT_NE(firstOnly.out.find("statuses: none, background not used: -2 x2"), std::string::npos)
        << firstOnly.out;

    // A missing file is named once, with its setting and why.
    box.UseSettings({{"PrintBackgroundImage", "1"},
                     {"BackgroundImageFirstPage", letterhead},
                     {"BackgroundImageNextPages", "missing.tif"}});
    HostRun missing = RunAroPrint(box, {"doc.pbm"});
    EXPECT_EQ(missing.exitCode, 0) << missing.err;
    EXPECT_EQ(Occurrences(missing.err,
                          "warning: background BackgroundImageNextPages "
                          "\"missing.tif\" not used from page 2: no such file"),
              1u)
        << missing.err;

    box.UseSettings({{"MaxPagesCount", "1"}});
    HostRun limited = RunAroPrint(box, {"doc.pbm"});
    EXPECT_EQ(limited.exitCode, 0) << limited.err;
    EXPECT_NE(limited.out.find("page limit 1: pages 2 to 3 not written"), std::string::npos)
        << limited.out;
}

bool WriteDeflateBilevel(const std::string& path) {
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    if (!tiff) return false;
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, 8u);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, 1u);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    unsigned char row = 0x0F;
    bool ok = TIFFWriteScanline(tiff, &row, 0, 0) == 1;
    TIFFClose(tiff);
    return ok;
}

TEST(HostBackgroundWarningTest, SaysWhyABackgroundCannotBeUsed) {
    Sandbox box;
    const std::string grey = box.root() + "/grey.tif", deflate = box.root() + "/deflate.tif";
    ASSERT_TRUE(WriteTiff(grey, {GreyRamp(16, 4)}));
    ASSERT_TRUE(WriteDeflateBilevel(deflate));

    EXPECT_EQ(host::WhyBackgroundUnused(box.root() + "/none.tif", false, -2), "no such file");
    EXPECT_EQ(host::WhyBackgroundUnused(grey, false, -3),
              "a black-and-white page needs a 1-bit image, this one has 8 bits per pixel");
    EXPECT_EQ(host::WhyBackgroundUnused(grey, true, -3).rfind("a colour page needs", 0), 0u);
    EXPECT_EQ(host::WhyBackgroundUnused(deflate, false, -2).rfind("Deflate", 0), 0u);
    EXPECT_EQ(host::BackgroundValueName(false, true), "BackgroundImageNextPagesColor");
}

}  // namespace
}  // namespace aro::hosttest
