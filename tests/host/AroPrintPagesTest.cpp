// aro-print end to end: what each kind of input leaves in the output folder.
#include <gtest/gtest.h>

#include <algorithm>

#include "HostTestSupport.h"

namespace aro::hosttest {
namespace {

using host::RasterImage;

void ExpectGroup4(const test::TiffPage& page, float dpi) {
    EXPECT_EQ(page.compression, COMPRESSION_CCITTFAX4);
    EXPECT_EQ(page.xResolution, dpi);
    EXPECT_EQ(page.yResolution, dpi);
}

void ExpectJpeg(const test::TiffPage& page, float dpi) {
    EXPECT_EQ(page.compression, COMPRESSION_JPEG);
    EXPECT_EQ(page.photometric, PHOTOMETRIC_RGB);
    EXPECT_EQ(page.xResolution, dpi);
}

TEST(AroPrintPnmTest, MonochromePageIsStoredBitForBitInBandsOfTheGivenHeight) {
    Sandbox box;
    box.UseSettings({});
    RasterImage page = BilevelPattern(301, 203, 1);  // a width that is no multiple of 8
    WriteFile(box.root() + "/page.pbm", EncodePnm(page));

    HostRun run = RunAroPrint(box, {"--dpi", "150", "--band-rows", "16", "page.pbm"});

    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "page.pbm: 1 page(s), 13 band(s), statuses: none, file: " +
                           TiffFiles(box, box.outDir()).at(0) + "\n");
    std::vector<test::TiffPage> pages = OnlyOutput(box);
    ASSERT_EQ(pages.size(), 1u);
    ExpectGroup4(pages[0], 150);
    std::string difference;
    EXPECT_TRUE(SameBilevelPixels(pages[0], page, &difference)) << difference;
}

TEST(AroPrintPnmTest, AutoModeGivesColourImagesJpegAndTheOthersGroup4) {
    Sandbox box;
    box.UseSettings({});
    RasterImage mono = BilevelPattern(120, 90, 2);
    RasterImage colour = ColourBlockPage(160, 120);
    RasterImage grey = GreyRamp(256, 40);
    WriteFile(box.root() + "/mixed", EncodePnm(mono) + EncodePnm(colour) + EncodePnm(grey));

    HostRun run = RunAroPrint(box, {"--dpi", "200", "mixed"});

    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::vector<test::TiffPage> pages = OnlyOutput(box);
    ASSERT_EQ(pages.size(), 3u);
    ExpectGroup4(pages[0], 200);
    ExpectJpeg(pages[1], 200);
    ExpectGroup4(pages[2], 200);
    std::string difference;
    EXPECT_TRUE(SameBilevelPixels(pages[0], mono, &difference)) << difference;
    // The red block survives JPEG as red, the paper as white.
    const unsigned char* red = pages[1].rows[45].data() + 3 * 60;
    EXPECT_GT(red[0], 180);
    EXPECT_LT(red[1], 80);
    const unsigned char* paper = pages[1].rows[5].data() + 3 * 5;
    EXPECT_GT(paper[1], 230);
    // The grey ramp is halftoned (pixel for pixel as Ghostscript does, which
    // HalftoneTest checks): its dark end holds more black than its light end.
    ASSERT_EQ(pages[2].rows.size(), 40u);
    auto black = [&](uint32_t left) {
        unsigned count = 0;
        for (uint32_t y = 0; y < 40; ++y)
            for (uint32_t x = left; x < left + 64; ++x)
                count += (pages[2].rows[y][x / 8] >> (7 - x % 8)) & 1;
        return count;
    };
    EXPECT_GT(black(0), 2 * black(128));
    EXPECT_GT(black(64), black(192));
}

TEST(AroPrintPnmTest, MonoAndColourOptionsOverrideTheContent) {
    Sandbox box;
    box.UseSettings({});
    WriteFile(box.root() + "/colour.ppm", EncodePnm(ColourBlockPage(64, 48)));
    WriteFile(box.root() + "/mono.pbm", EncodePnm(BilevelPattern(64, 48, 3)));

    ASSERT_EQ(RunAroPrint(box, {"--mono", "colour.ppm"}).exitCode, 0);
    ASSERT_EQ(RunAroPrint(box, {"--color", "mono.pbm"}).exitCode, 0);

    std::vector<std::string> files = TiffFiles(box, box.outDir());
    ASSERT_EQ(files.size(), 2u);
    std::vector<uint16_t> compressions;
    for (const std::string& file : files) {
        std::vector<test::TiffPage> pages;
        ASSERT_TRUE(test::ReadTiffPages(file, &pages));
        ASSERT_EQ(pages.size(), 1u);
        compressions.push_back(pages[0].compression);
    }
    std::sort(compressions.begin(), compressions.end());
    EXPECT_EQ(compressions, (std::vector<uint16_t>{COMPRESSION_CCITTFAX4, COMPRESSION_JPEG}));
}

TEST(AroPrintTiffTest, EveryDirectoryIsAPage) {
    Sandbox box;
    box.UseSettings({});
    RasterImage mono = BilevelPattern(333, 77, 4);
    ASSERT_TRUE(WriteTiff(box.root() + "/scan.tif", {mono, ColourBlockPage(90, 60), mono}));

    HostRun run = RunAroPrint(box, {"--dpi", "240", "scan.tif"});

    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::vector<test::TiffPage> pages = OnlyOutput(box);
    ASSERT_EQ(pages.size(), 3u);
    ExpectGroup4(pages[0], 240);
    ExpectJpeg(pages[1], 240);
    EXPECT_EQ(pages[1].width, 90u);
    std::string difference;
    EXPECT_TRUE(SameBilevelPixels(pages[2], mono, &difference)) << difference;
}

TEST(AroPrintDocumentTest, PdfInMonoEqualsGhostscriptsOwnRenderAndItsTextIsWritten) {
    Sandbox box;
    box.UseSettings({{"PrintTxtFile", "1"}});
    WriteFile(box.root() + "/invoice.pdf", MakePdf({"Invoice 42", "Terms of payment"}));

    HostRun run = RunAroPrint(box, {"--mono", "--dpi", "72", "--band-rows", "40", "invoice.pdf"});

    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::vector<RasterImage> reference = GhostscriptBitmaps(box.root() + "/invoice.pdf", 72);
    ASSERT_EQ(reference.size(), 2u);
    std::vector<test::TiffPage> pages = OnlyOutput(box);
    ASSERT_EQ(pages.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        ExpectGroup4(pages[i], 72);
        std::string difference;
        EXPECT_TRUE(SameBilevelPixels(pages[i], reference[i], &difference))
            << "page " << i + 1 << ": " << difference;
    }
    std::vector<std::string> texts = box.Files(box.outDir(), ".TXT");
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_NE(run.out.find("text file: " + box.outDir() + "/" + texts[0]), std::string::npos)
        << run.out;
    std::string text = itest::ReadFile(box.outDir() + "/" + texts[0]);
    EXPECT_NE(text.find("Invoice 42"), std::string::npos) << text;
    EXPECT_NE(text.find("Terms of payment"), std::string::npos) << text;
}

TEST(AroPrintDocumentTest, PostScriptColourPageIsJpegAndItsTextFileHasNoWords) {
    Sandbox box;
    box.UseSettings({{"PrintTxtFile", "1"}});
    WriteFile(box.root() + "/logo.ps",
              "%!PS\n<< /PageSize [144 72] >> setpagedevice\n"
              "0 0 1 setrgbcolor 36 18 72 36 rectfill showpage\n"
              "0 setgray 36 18 72 36 rectfill showpage\n");

    HostRun run = RunAroPrint(box, {"--dpi", "100", "logo.ps"});

    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::vector<test::TiffPage> pages = OnlyOutput(box);
    ASSERT_EQ(pages.size(), 2u);
    ExpectJpeg(pages[0], 100);
    EXPECT_EQ(pages[0].width, 200u);
    EXPECT_EQ(pages[0].height, 100u);
    const unsigned char* blue = pages[0].rows[50].data() + 3 * 100;
    EXPECT_LT(blue[0], 60);
    EXPECT_GT(blue[2], 200);
    ExpectGroup4(pages[1], 100);
    std::vector<std::string> texts = box.Files(box.outDir(), ".TXT");
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(itest::ReadFile(box.outDir() + "/" + texts[0]), "\f\f");  // two pages, no text
}

// --auto decides by colour, but a page without colour is Ghostscript's own
// black-and-white rendering, halftoned greys included: text on a light grey
// band stays readable, and a colour page between them is still JPEG.
TEST(AroPrintDocumentTest, AutoModeKeepsGreyShadingAsGhostscriptRendersIt) {
    Sandbox box;
    box.UseSettings({});
    WriteFile(box.root() + "/shaded.ps",
              "%!PS\n<< /PageSize [144 72] >> setpagedevice\n"
              "0.85 setgray 0 24 144 24 rectfill 0.4 setgray 0 0 72 24 rectfill\n"
              "0 setgray 8 30 40 12 rectfill showpage\n"
              "1 0 0 setrgbcolor 36 18 72 36 rectfill showpage\n"
              "0.6 setgray 0 0 144 72 rectfill showpage\n");

    HostRun run = RunAroPrint(box, {"--dpi", "100", "--band-rows", "16", "shaded.ps"});

    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::vector<RasterImage> reference = GhostscriptBitmaps(box.root() + "/shaded.ps", 100);
    ASSERT_EQ(reference.size(), 3u);
    std::vector<test::TiffPage> pages = OnlyOutput(box);
    ASSERT_EQ(pages.size(), 3u);
    ExpectJpeg(pages[1], 100);
    for (size_t i : {0u, 2u}) {
        ExpectGroup4(pages[i], 100);
        std::string difference;
        EXPECT_TRUE(SameBilevelPixels(pages[i], reference[i], &difference))
            << "page " << i + 1 << ": " << difference;
    }
}

}  // namespace
}  // namespace aro::hosttest
