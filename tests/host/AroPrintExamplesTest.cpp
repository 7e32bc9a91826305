// The shipped examples, printed the way scripts/run-examples.sh does: the
// sample scripts, the settings in examples/ and aro-print from the folder
// that holds build/examples.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "HostTestSupport.h"

namespace aro::hosttest {
namespace {

const std::string kExamples = std::string(ARO_SOURCE_DIR) + "/examples";

class AroPrintExamplesTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string samples = box.root() + "/build/examples";
        ASSERT_EQ(RunQuietly({kExamples + "/make-samples.sh", samples}), 0);
        ASSERT_EQ(RunQuietly({kExamples + "/make-letterhead.sh", samples}), 0);
        // The examples write into ./out of the folder they run in.
        mkdir((box.root() + "/out").c_str(), 0700);
    }

    void UseExampleSettings(const std::string& file) {
        WriteFile(box.userHive(), itest::ReadFile(kExamples + "/" + file));
    }

    Sandbox box;
};

bool IsBlack(const test::TiffPage& page, uint32_t x, uint32_t y) {
    return (page.rows.at(y)[x / 8] >> (7 - x % 8)) & 1;
}

TEST_F(AroPrintExamplesTest, LetterPrintsOnItsLetterheadWithGrpAndTextFiles) {
    UseExampleSettings("demo.reg");

    HostRun run = RunAroPrint(box, {kExamples + "/letter.ps"});

    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::vector<std::string> files = TiffFiles(box, box.root() + "/out");
    ASSERT_EQ(files.size(), 1u);
    std::vector<test::TiffPage> pages;
    ASSERT_TRUE(test::ReadTiffPages(files[0], &pages));
    ASSERT_EQ(pages.size(), 2u);
    // Page one holds the colour logo, page two only text.
    EXPECT_EQ(pages[0].compression, COMPRESSION_JPEG);
    EXPECT_EQ(pages[1].compression, COMPRESSION_CCITTFAX4);
    EXPECT_EQ(pages[1].xResolution, 300);
    // The light blue bar of the colour letterhead tops page one, and the
    // rule of the next-pages letterhead crosses page two 72 points down.
    const unsigned char* bar = pages[0].rows.at(60).data() + 3 * 2300;
    EXPECT_GT(bar[2], bar[0] + 15) << int(bar[0]) << "," << int(bar[1]) << "," << int(bar[2]);
    EXPECT_TRUE(IsBlack(pages[1], 1200, 300));
    EXPECT_FALSE(IsBlack(pages[1], 1200, 250));
    EXPECT_EQ(box.Files(box.root() + "/out", ".grp").size(), 1u);
    EXPECT_EQ(box.Files(box.root() + "/out", ".TXT").size(), 1u);
}

TEST_F(AroPrintExamplesTest, SamplePagesBecomeOneFileEach) {
    UseExampleSettings("single-page.reg");

    HostRun run = RunAroPrint(box, {"--dpi", "100", "build/examples/pages.pnm"});

    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out.rfind("build/examples/pages.pnm: 3 page(s)", 0), 0u) << run.out;
    EXPECT_EQ(TiffFiles(box, box.root() + "/out").size(), 3u);
    EXPECT_EQ(box.Files(box.root() + "/out", ".grp").size(), 3u);
}

}  // namespace
}  // namespace aro::hosttest
