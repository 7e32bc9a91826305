// The text file of a document is named after the TIFF file the module
// writes, also when the module has to pick another name for it because the
// first one is taken.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <ctime>

#include "HostTestSupport.h"

namespace aro::hosttest {
namespace {

// The module's local time stamp, milliseconds included: 17 digits.
std::string TimeStamp(std::chrono::system_clock::time_point when) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    const long millis = static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count() %
        1000);
    std::tm local = {};
    localtime_r(&seconds, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d%H%M%S", &local);
    return text + std::string(3 - std::to_string(millis).size(), '0') + std::to_string(millis);
}

TEST(AroPrintTextFileTest, TextFileFollowsTheTiffNameTheModuleTook) {
    Sandbox box;
    box.UseSettings({{"FileNameMode", "3"}, {"PrintTxtFile", "1"}});
    WriteFile(box.root() + "/letter.pdf", MakePdf({"first words"}));
    // Every name the job could stamp in the next seconds is taken by an
    // earlier (empty) file, so that it takes the name with _2.
    const auto now = std::chrono::system_clock::now();
    for (int ms = -1000; ms < 15000; ++ms)
        WriteFile(
            box.outDir() + "/letter_" + TimeStamp(now + std::chrono::milliseconds(ms)) + ".TIF",
            "");

    HostRun run = RunAroPrint(box, {"--job-name", "letter", "letter.pdf"});

    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::vector<std::string> texts = box.Files(box.outDir(), ".TXT");
    ASSERT_EQ(texts.size(), 1u);
    const std::string stem = texts[0].substr(0, texts[0].size() - 4);
    EXPECT_EQ(stem.substr(stem.size() - 2), "_2") << stem;
    struct stat tiff = {};
    ASSERT_EQ(stat((box.outDir() + "/" + stem + ".TIF").c_str(), &tiff), 0) << stem;
    EXPECT_GT(tiff.st_size, 0) << stem;  // the file written, not one of the earlier ones
    EXPECT_NE(itest::ReadFile(box.outDir() + "/" + texts[0]).find("first words"),
              std::string::npos);
}

}  // namespace
}  // namespace aro::hosttest
