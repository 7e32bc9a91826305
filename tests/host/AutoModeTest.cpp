// The default mode: which pages go as colour, and how Ghostscript renders
// them.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <sstream>

#include "AutoModeSource.h"
#include "CommandLine.h"
#include "HostTestSupport.h"
#include "PageClassifier.h"
#include "PnmReader.h"
#include "SelectedPdfPages.h"

namespace aro::hosttest {
namespace {

using host::PixelKind;
using host::RasterImage;

RasterImage WhitePage(uint32_t width, uint32_t height) {
    RasterImage page;
    page.width = width, page.height = height, page.kind = PixelKind::Rgb;
    page.pixels.assign(page.rowBytes() * height, 255);
    return page;
}

void Paint(RasterImage* page, uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1,
           std::array<unsigned char, 3> rgb) {
    for (uint32_t y = y0; y < y1; ++y)
        for (uint32_t x = x0; x < x1; ++x) std::copy(rgb.begin(), rgb.end(), page->row(y) + 3 * x);
}

// A 300 dpi page of 600 x 600 pixels (25-pixel cells, 576 of them).
TEST(HostPageClassifierTest, ColouredAreasCountThinStrokesAndNearGreysDoNot) {
    const host::ColourRule rule;  // the defaults
    RasterImage page = WhitePage(600, 600);
    page.dpi = 300;
    // Lines of blue "text": strokes two pixels high, every eight rows.
    for (uint32_t y = 0; y < 600; y += 8) Paint(&page, 0, y, 600, y + 2, {0, 0, 230});
    EXPECT_EQ(host::ColouredAreaPercent(page, 25, rule.tolerance), 0);
    EXPECT_FALSE(host::IsColourPage(page, rule));

    RasterImage grey = WhitePage(600, 600);
    grey.dpi = 300;
    Paint(&grey, 0, 0, 600, 600, {128, 128, 129});
    Paint(&grey, 100, 100, 300, 300, {40, 52, 40});
    EXPECT_FALSE(host::IsColourPage(grey, rule));

    // A logo of 50 x 50 pixels, not aligned to the cells: one full cell, two
    // at most; with the text around it.
    Paint(&page, 310, 310, 360, 360, {200, 30, 30});
    const double logo = host::ColouredAreaPercent(page, 25, rule.tolerance);
    EXPECT_GE(logo, 100.0 / 576);
    EXPECT_LE(logo, 4 * 100.0 / 576);
    EXPECT_TRUE(host::IsColourPage(page, rule));
    host::ColourRule strict = rule;
    strict.thresholdPercent = 1;
    EXPECT_FALSE(host::IsColourPage(page, strict));
    // A small image gets cells of its own size: a quarter in colour counts.
    EXPECT_TRUE(host::IsColourPage(ColourBlockPage(90, 60), rule));
    EXPECT_FALSE(host::IsColourPage(GreyRamp(90, 60), rule));
}

TEST(HostPageClassifierTest, ColourThresholdIsAPercentage) {
    auto threshold = [](const std::string& value) {
        host::CommandLine line = host::ParseCommandLine({"--colour-threshold", value, "a.pdf"});
        return line.valid ? line.options.colourThreshold : std::optional<double>(-1);
    };
    EXPECT_EQ(threshold("0"), 0.0);
    EXPECT_DOUBLE_EQ(*threshold("0.25"), 0.25);
    EXPECT_DOUBLE_EQ(*threshold(".5"), 0.5);
    EXPECT_EQ(threshold("100"), 100.0);
    for (const char* bad : {"", ".", "-1", "100.5", "1e2", "2%", "0.5.1"})
        EXPECT_EQ(threshold(bad), -1.0) << bad;
    host::CommandLine american = host::ParseCommandLine({"--color-threshold=3", "a.pdf"});
    ASSERT_TRUE(american.valid) << american.error;
    EXPECT_EQ(american.options.colourThreshold, 3.0);
    EXPECT_FALSE(host::ParseCommandLine({"a.pdf"}).options.colourThreshold);
}

// Four pages of 4 x 3 inches: black text with blue links, the same with a
// small logo, a photo, and a grey drawing whose greys are a level off.
const char* kMixedDocument = R"PS(%!PS
<< /PageSize [288 216] >> setpagedevice
/Helvetica findfont 9 scalefont setfont
/text { 190 -11 20 { 14 exch moveto
    0 setgray (See the manual at ) show 0 0 0.9 setrgbcolor (www.example.com/manual) show
    0 setgray ( for more.) show } for } def
text showpage
text 0.85 0.1 0.1 setrgbcolor 240 170 22 22 rectfill showpage
gsave 40 40 translate 200 140 scale
/row 192 string def
64 48 8 [64 0 0 -48 0 48] { 0 1 191 { row exch rand 255 and put } for row } bind
false 3 colorimage grestore showpage
0.5 0.5 0.504 setrgbcolor 20 20 200 150 rectfill
0.3 0.302 0.3 setrgbcolor 60 60 80 60 rectfill text showpage
)PS";

// Puts a gs and a pdftoppm on PATH that log their arguments, one line a
// run, and run the real ones.
class RendererLog {
public:
    explicit RendererLog(const Sandbox& box)
        : m_folder(box.root() + "/bin"), m_log(box.root() + "/renderers.log") {
        const char* path = std::getenv("PATH");
        m_path = path ? path : "/usr/bin:/bin";
        mkdir(m_folder.c_str(), 0755);
        unlink(m_log.c_str());
        for (std::string program : {"gs", "pdftoppm"}) {
            const std::string wrapper = m_folder + "/" + program;
            WriteFile(wrapper, "#!/bin/sh\necho \"" + program + " $*\" >> '" + m_log + "'\nPATH='" +
                                   m_path + "' exec " + program + " \"$@\"\n");
            chmod(wrapper.c_str(), 0755);
        }
        setenv("PATH", (m_folder + ":" + m_path).c_str(), 1);
    }
    ~RendererLog() { setenv("PATH", m_path.c_str(), 1); }

    // The runs' programs, devices, resolutions and page lists, one string
    // a run, sorted.
    std::vector<std::string> Runs() const {
        std::vector<std::string> runs;
        std::istringstream lines(itest::ReadFile(m_log));
        for (std::string line; std::getline(lines, line);) {
            std::istringstream words(line);
            std::string run, previous;
            words >> run;
            for (std::string word; words >> word; previous = word)
                if (word.rfind("-sDEVICE=", 0) == 0 || word.rfind("-r", 0) == 0 ||
                    word.rfind("-sPageList=", 0) == 0 || previous == "-r")
                    run += " " + word;
            runs.push_back(run);
        }
        std::sort(runs.begin(), runs.end());
        return runs;
    }

private:
    std::string m_folder, m_log, m_path;
};

// Blue links leave a page black and white, a small logo or a photo make it
// colour, near greys do not. Poppler judges a PDF, whose colour pages are
// rendered only in colour; Ghostscript judges PostScript, whose colour pages
// come from one colour run beside the black-and-white one. The black-and-white
// pages are Ghostscript's own rendering.
TEST(AroPrintAutoModeTest, OnlyPagesWithColouredAreasGoAsColourEachRenderedOnce) {
    Sandbox box;
    box.UseSettings({{"FileNameMode", "2"}});
    WriteFile(box.root() + "/mixed.ps", kMixedDocument);
    ASSERT_EQ(RunQuietly({"gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=pdfwrite",
                          "-sOutputFile=mixed.pdf", "mixed.ps"},
                         box.root()),
              0);
    const std::vector<std::vector<std::string>> expectedRuns = {
        {"gs -sDEVICE=pbmraw -r100", "gs -sDEVICE=ppmraw -r100", "pdftoppm -r 72"},
        {"gs -sDEVICE=pbmraw -r100", "gs -sDEVICE=ppmraw -r100", "gs -sDEVICE=ppmraw -r72"}};
    const char* documents[] = {"mixed.pdf", "mixed.ps"};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(documents[i]);
        RendererLog log(box);
        HostRun run = RunAroPrint(box, {"--dpi", "100", documents[i]});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        std::vector<std::string> files = TiffFiles(box, box.outDir());
        ASSERT_EQ(files.size(), 1u);
        std::vector<test::TiffPage> pages;
        ASSERT_TRUE(test::ReadTiffPages(files[0], &pages));
        ASSERT_EQ(pages.size(), 4u);
        std::vector<uint16_t> compressions;
        for (const test::TiffPage& page : pages) compressions.push_back(page.compression);
        EXPECT_EQ(compressions, (std::vector<uint16_t>{COMPRESSION_CCITTFAX4, COMPRESSION_JPEG,
                                                       COMPRESSION_JPEG, COMPRESSION_CCITTFAX4}));
        EXPECT_EQ(log.Runs(), expectedRuns[i]);
        const std::vector<RasterImage> mono = GhostscriptBitmaps(box.root() + "/mixed.pdf", 100);
        ASSERT_EQ(mono.size(), 4u);
        std::string difference;
        EXPECT_TRUE(SameBilevelPixels(pages[0], mono[0], &difference)) << difference;
        EXPECT_TRUE(SameBilevelPixels(pages[3], mono[3], &difference)) << difference;
        unlink(files[0].c_str());
    }
    // With a threshold above the logo's share, its page is black and white.
    HostRun strict = RunAroPrint(box, {"--dpi", "100", "--colour-threshold", "2", "mixed.pdf"});
    ASSERT_EQ(strict.exitCode, 0) << strict.err;
    std::vector<test::TiffPage> pages;
    ASSERT_TRUE(test::ReadTiffPages(TiffFiles(box, box.outDir()).at(0), &pages));
    ASSERT_EQ(pages.size(), 4u);
    EXPECT_EQ(pages[1].compression, COMPRESSION_CCITTFAX4);
    EXPECT_EQ(pages[2].compression, COMPRESSION_JPEG);
}

// A renderer told page by page renders the pages chosen, only those, as
// Ghostscript renders them from the command line, and ends after the last
// page whatever it is told after it.
TEST(HostSelectedPdfPagesTest, RendersTheChosenPagesOnlyAndEndsAfterTheLast) {
    Sandbox box;
    const std::string path = box.root() + "/four.pdf";
    WriteFile(path, MakePdf({"one", "two", "three", "four"}));
    const std::vector<RasterImage> expected = GhostscriptBitmaps(path, 72);
    ASSERT_EQ(expected.size(), 4u);
    host::SelectedPdfPages renderer;
    std::string error;
    ASSERT_TRUE(renderer.Start(path, {}, "pbmraw", 72, false, &error)) << error;
    for (bool render : {false, true, false, true}) EXPECT_TRUE(renderer.Choose(render));
    renderer.Choose(true);  // past the end: nothing is rendered
    std::vector<RasterImage> rendered;
    RasterImage page;
    while (host::ReadPnmImage(renderer.output(), &page, &error) == host::PnmRead::Image)
        rendered.push_back(page);
    EXPECT_EQ(renderer.Wait(), 0);
    ASSERT_EQ(rendered.size(), 2u);
    EXPECT_EQ(rendered[0].pixels, expected[1].pixels);
    EXPECT_EQ(rendered[1].pixels, expected[3].pixels);
}

// The document goes to Ghostscript as an open file, so that any name is
// read: a colon (a list separator for Ghostscript's file permissions),
// brackets, a leading dash.
TEST(HostSelectedPdfPagesTest, AnyFileNameIsRead) {
    Sandbox box;
    const std::string path = box.root() + "/-odd: (name).pdf";
    WriteFile(path, MakePdf({"one"}));
    host::SelectedPdfPages renderer;
    std::string error;
    ASSERT_TRUE(renderer.Start(path, {}, "pbmraw", 72, false, &error)) << error;
    renderer.Choose(true);
    RasterImage page;
    EXPECT_EQ(host::ReadPnmImage(renderer.output(), &page, &error), host::PnmRead::Image) << error;
    EXPECT_EQ(renderer.Wait(), 0);
}

}  // namespace
}  // namespace aro::hosttest
