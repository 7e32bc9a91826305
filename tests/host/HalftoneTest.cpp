// Grey and colour images on black-and-white pages: halftoned as Ghostscript
// halftones the same image inside a PDF, pixel for pixel.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>

#include "GhostscriptHalftone.h"
#include "HostTestSupport.h"
#include "common/TiffInspect.h"

namespace aro::hosttest {
namespace {

using host::PixelKind;
using host::RasterImage;

// Patches of flat greys (or colours) beside patches of noise, so that both
// the screen's tone steps and its position are seen.
RasterImage Patches(PixelKind kind, uint32_t width, uint32_t height, unsigned seed) {
    RasterImage image;
    image.kind = kind, image.width = width, image.height = height;
    image.pixels.resize(image.rowBytes() * height);
    std::mt19937 random(seed);
    const size_t samples = kind == PixelKind::Rgb ? 3 : 1;
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            for (size_t c = 0; c < samples; ++c)
                image.row(y)[x * samples + c] = static_cast<unsigned char>(
                    (x / 24 + y / 24) % 2 ? (x * 3 + y * 5 + c * 70) % 256 : random() % 256);
    return image;
}

// A one-page PDF that shows the image at dpi, filling the page.
std::string ImagePdf(const RasterImage& image, int dpi) {
    char page[160], content[96];
    const double width = image.width * 72.0 / dpi, height = image.height * 72.0 / dpi;
    std::snprintf(content, sizeof content, "q %.6f 0 0 %.6f 0 0 cm /I Do Q", width, height);
    std::snprintf(page, sizeof page,
                  "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 %.6f %.6f] /Contents 4 0 R "
                  "/Resources << /XObject << /I 5 0 R >> >> >>",
                  width, height);
    const std::string samples(image.pixels.begin(), image.pixels.end());
    const std::vector<std::string> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>", page,
        "<< /Length " + std::to_string(std::strlen(content)) + " >>\nstream\n" + content +
            "\nendstream",
        "<< /Type /XObject /Subtype /Image /Width " + std::to_string(image.width) + " /Height " +
            std::to_string(image.height) + " /ColorSpace " +
            (image.kind == PixelKind::Rgb ? "/DeviceRGB" : "/DeviceGray") +
            " /BitsPerComponent 8 /Length " + std::to_string(samples.size()) + " >>\nstream\n" +
            samples + "\nendstream"};
    std::string pdf = "%PDF-1.4\n";
    std::vector<size_t> offsets;
    for (size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const size_t table = pdf.size();
    pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (size_t offset : offsets) {
        char entry[24];
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
        pdf += entry;
    }
    pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) +
           " /Root 1 0 R >>\nstartxref\n" + std::to_string(table) + "\n%%EOF\n";
    return pdf;
}

// Ghostscript's black-and-white rendering of the image made into a PDF.
RasterImage RenderedFromPdf(const Sandbox& box, const RasterImage& image, int dpi) {
    const std::string path = box.root() + "/image.pdf";
    WriteFile(path, ImagePdf(image, dpi));
    std::vector<RasterImage> pages = GhostscriptBitmaps(path, dpi);
    return pages.size() == 1 ? pages[0] : RasterImage{};
}

TEST(HostHalftoneTest, ImagesComeOutAsGhostscriptRendersThemFromAPdf) {
    Sandbox box;
    host::GhostscriptHalftoner halftoner;
    struct Case {
        PixelKind kind;
        uint32_t width, height;
        int dpi;
    };
    // The resolution changes from page to page, and comes back.
    for (const Case& c : {Case{PixelKind::Grey, 301, 203, 300}, Case{PixelKind::Rgb, 250, 190, 200},
                          Case{PixelKind::Grey, 97, 61, 72}, Case{PixelKind::Rgb, 333, 121, 600},
                          Case{PixelKind::Grey, 255, 255, 300}}) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " at " +
                     std::to_string(c.dpi) + (c.kind == PixelKind::Rgb ? " RGB" : " grey"));
        RasterImage image = Patches(c.kind, c.width, c.height, c.width);
        image.dpi = c.dpi;
        const RasterImage expected = RenderedFromPdf(box, image, c.dpi);
        ASSERT_EQ(expected.kind, PixelKind::Bilevel);
        std::string error;
        ASSERT_TRUE(halftoner.Halftone(&image, c.dpi, &error)) << error;
        EXPECT_EQ(image.kind, PixelKind::Bilevel);
        EXPECT_EQ(image.width, c.width);
        EXPECT_EQ(image.height, c.height);
        EXPECT_EQ(image.dpi, c.dpi);
        EXPECT_TRUE(image.pixels == expected.pixels);
    }
}

// The page's size in points must give back exactly its size in pixels,
// whatever the resolution (a fax's 204 dpi has no exact decimal).
TEST(HostHalftoneTest, EveryPageSizeComesBackExactly) {
    host::GhostscriptHalftoner halftoner;
    for (int dpi : {204, 300, 96})
        for (uint32_t side : {1u, 2u, 7u, 203u, 2479u}) {
            RasterImage image = Patches(PixelKind::Grey, side, side % 5 + 1, side);
            std::string error;
            ASSERT_TRUE(halftoner.Halftone(&image, dpi, &error))
                << side << " at " << dpi << ": " << error;
            EXPECT_EQ(image.width, side);
            EXPECT_EQ(image.height, side % 5 + 1);
        }
    // Pure black and white stay exact.
    RasterImage flat = Patches(PixelKind::Grey, 64, 2, 1);
    std::fill(flat.pixels.begin(), flat.pixels.begin() + 64, 0);
    std::fill(flat.pixels.begin() + 64, flat.pixels.end(), 255);
    std::string error;
    ASSERT_TRUE(halftoner.Halftone(&flat, 300, &error)) << error;
    std::vector<unsigned char> blackThenWhite(16, 0);
    std::fill(blackThenWhite.begin(), blackThenWhite.begin() + 8, 0xFF);
    EXPECT_EQ(flat.pixels, blackThenWhite);
}

// A program's standard input: what is written arrives; writing to one that
// has ended fails instead of raising SIGPIPE, which would end the job.
TEST(HostChildInputTest, WrittenInputArrivesAndAnEndedReaderFailsTheWrite) {
    host::ChildProgram cat;
    host::ChildProgram::Streams streams;
    streams.captureOutput = true;
    streams.feedInput = true;
    std::string error;
    ASSERT_TRUE(cat.Start({"cat"}, streams, &error)) << error;
    ASSERT_TRUE(cat.WriteInput("page\n", 5));
    cat.CloseInput();
    char echoed[8] = {};
    EXPECT_EQ(std::fread(echoed, 1, sizeof echoed, cat.output()), 5u);
    EXPECT_STREQ(echoed, "page\n");
    EXPECT_EQ(cat.Wait(), 0);

    host::ChildProgram ended;
    ASSERT_TRUE(ended.Start({"true"}, streams, &error)) << error;
    char ignored[1];
    EXPECT_EQ(std::fread(ignored, 1, 1, ended.output()), 0u);  // it has ended
    const std::string block(1 << 20, 'x');
    EXPECT_FALSE(ended.WriteInput(block.data(), block.size()));
    EXPECT_EQ(ended.Wait(), 0);
}

// aro-print: a grey image from a PNM file and a colour one from a TIFF file
// with its own resolution, both on black-and-white pages, and a colour
// image the default mode keeps in colour.
TEST(AroPrintHalftoneTest, ImageFilesPrintInBlackAndWhiteAsTheSameImageInAPdf) {
    Sandbox box;
    box.UseSettings({});
    RasterImage grey = Patches(PixelKind::Grey, 260, 180, 3);
    RasterImage colour = Patches(PixelKind::Rgb, 200, 150, 4);
    WriteFile(box.root() + "/grey.pgm", EncodePnm(grey));
    ASSERT_TRUE(WriteTiff(box.root() + "/colour.tif", {colour}, 150, 150));
    const RasterImage greyExpected = RenderedFromPdf(box, grey, 200);
    const RasterImage colourExpected = RenderedFromPdf(box, colour, 150);
    for (const char* input : {"grey.pgm", "colour.tif"}) {
        SCOPED_TRACE(input);
        HostRun run = RunAroPrint(box, {"--mono", "--dpi", "200", input});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        std::vector<test::TiffPage> pages = OnlyOutput(box);
        ASSERT_EQ(pages.size(), 1u);
        EXPECT_EQ(pages[0].compression, COMPRESSION_CCITTFAX4);
        std::string difference;
        EXPECT_TRUE(SameBilevelPixels(pages[0], input[0] == 'g' ? greyExpected : colourExpected,
                                      &difference))
            << difference;
        for (const std::string& file : TiffFiles(box, box.outDir())) unlink(file.c_str());
    }
    HostRun run = RunAroPrint(box, {"--dpi", "200", "colour.tif"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::vector<test::TiffPage> pages = OnlyOutput(box);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].compression, COMPRESSION_JPEG);
}

// Without Ghostscript, 1-bit images still print (they need no halftone),
// and a grey image is refused with the reason instead of printed otherwise.
TEST(AroPrintHalftoneTest, OneBitImagesNeedNoGhostscript) {
    Sandbox box;
    box.UseSettings({});
    WriteFile(box.root() + "/scan.pbm", EncodePnm(BilevelPattern(64, 40, 1)));
    WriteFile(box.root() + "/grey.pgm", EncodePnm(GreyRamp(64, 40)));
    const char* path = std::getenv("PATH");
    const std::string saved = path ? path : "/usr/bin:/bin";
    const std::string empty = box.root() + "/no-programs";
    mkdir(empty.c_str(), 0755);
    setenv("PATH", empty.c_str(), 1);
    HostRun bilevel = RunAroPrint(box, {"--mono", "scan.pbm"});
    HostRun grey = RunAroPrint(box, {"--mono", "grey.pgm"});
    setenv("PATH", saved.c_str(), 1);

    ASSERT_EQ(bilevel.exitCode, 0) << bilevel.err;
    EXPECT_NE(grey.exitCode, 0);
    EXPECT_NE(grey.err.find("cannot start gs"), std::string::npos) << grey.err;
    ASSERT_EQ(TiffFiles(box, box.outDir()).size(), 1u);
}

}  // namespace
}  // namespace aro::hosttest
