// aro-print end to end: jobs, their names, the exit codes, and inputs that
// must never reach the module.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>

#include "HostTestSupport.h"

namespace aro::hosttest {
namespace {

// With Debug on, every document setup the module runs leaves its log in the
// temporary folder: the sign that the module was called.
void UseDebugSettings(const Sandbox& box) {
    box.UseSettings({{"Debug", "1"}});
}

bool ModuleWasCalled(const Sandbox& box) {
    return itest::FileExists(box.tempDir() + "AroPrinter.log");
}

size_t PageCount(const std::string& tiff) {
    std::vector<test::TiffPage> pages;
    return test::ReadTiffPages(tiff, &pages) ? pages.size() : 0;
}

TEST(AroPrintJobsTest, EveryFileIsAJobOfItsOwnWithAFreshModule) {
    Sandbox box;
    box.UseSettings({});
    WriteFile(box.root() + "/a.pbm",
              EncodePnm(BilevelPattern(64, 40, 1)) + EncodePnm(BilevelPattern(64, 40, 2)));
    WriteFile(box.root() + "/b.pbm", EncodePnm(BilevelPattern(80, 30, 3)));

    HostRun run = RunAroPrint(box, {"a.pbm", "b.pbm"});

    ASSERT_EQ(run.exitCode, 0) << run.err;
    // A module loaded once would skip the second document's setup and
    // write no second file.
    std::vector<std::string> files = TiffFiles(box, box.outDir());
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(run.out, "a.pbm: 2 page(s), 2 band(s), statuses: none, file: " + files[0] +
                           "\nb.pbm: 1 page(s), 1 band(s), statuses: none, file: " + files[1] +
                           "\n");
    std::vector<size_t> pages = {PageCount(files[0]), PageCount(files[1])};
    std::sort(pages.begin(), pages.end());
    EXPECT_EQ(pages, (std::vector<size_t>{1, 2}));
}

TEST(AroPrintJobsTest, SinglePageModeMakesAFilePerPage) {
    Sandbox box;
    box.UseSettings({{"PrintMultiPageImage", "0"}});
    std::string images;
    for (int seed = 1; seed <= 3; ++seed) images += EncodePnm(BilevelPattern(500, 700, seed));
    WriteFile(box.root() + "/three.pbm", images);

    HostRun run = RunAroPrint(box, {"three.pbm"});

    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::vector<std::string> files = TiffFiles(box, box.outDir());
    ASSERT_EQ(files.size(), 3u);
    for (const std::string& file : files) EXPECT_EQ(PageCount(file), 1u) << file;
}

TEST(AroPrintJobsTest, JobNameIsTheFilesNameUnlessGiven) {
    Sandbox box;
    box.UseSettings({{"FileNameMode", "2"}});  // the file is named after the job
    mkdir((box.root() + "/in").c_str(), 0700);
    WriteFile(box.root() + "/in/march.pbm", EncodePnm(BilevelPattern(40, 16, 1)));

    ASSERT_EQ(RunAroPrint(box, {"in/march.pbm"}).exitCode, 0);
    ASSERT_EQ(RunAroPrint(box, {"--job-name", "Report: April", "in/march.pbm"}).exitCode, 0);

    EXPECT_EQ(box.Files(box.outDir(), ".TIF"),
              (std::vector<std::string>{"Report April.TIF", "march.pbm.TIF"}));
}

TEST(AroPrintJobsTest, FileThatCannotBeCreatedStopsTheJobWithOneMessage) {
    Sandbox box;
    box.UseSettings({{"FileNameMode", "2"}});
    // A folder where the TIFF file should go: the module cannot create it.
    mkdir((box.outDir() + "/blocked.TIF").c_str(), 0700);
    std::string pages;
    for (int seed = 1; seed <= 3; ++seed) pages += EncodePnm(BilevelPattern(40, 20, seed));
    WriteFile(box.root() + "/blocked", pages);

    HostRun run = RunAroPrint(box, {"--band-rows", "8", "blocked"});

    EXPECT_EQ(run.exitCode, 3) << run.err;
    EXPECT_EQ(run.out, "");
    // The module's own message once, not once per band; then what to set,
    // and where it was looked for.
    size_t first = run.err.find("Cannot open TIFF file");
    ASSERT_NE(first, std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("Cannot open TIFF file", first + 1), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("AlternateKey"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(box.userHive()), std::string::npos) << run.err;
}

TEST(AroPrintJobsTest, SetupWritesAHiveTheNextJobPrintsWithAndCheckReportsIt) {
    Sandbox box;
    const std::string hive = box.userHive();  // not written yet
    WriteFile(box.root() + "/page.pbm", EncodePnm(BilevelPattern(40, 20, 1)));

    HostRun check = RunAroPrint(box, {"--check"});
    EXPECT_EQ(check.exitCode, 1);
    EXPECT_NE(check.out.find("(missing)"), std::string::npos) << check.out;
    EXPECT_NE(check.out.find("no output folder"), std::string::npos) << check.out;

    HostRun setup = RunAroPrint(box, {"--setup", "scans"});
    ASSERT_EQ(setup.exitCode, 0) << setup.err;
    HostRun print = RunAroPrint(box, {"page.pbm"});
    EXPECT_EQ(print.exitCode, 0) << print.err;
    EXPECT_EQ(box.Files(box.root() + "/scans", ".TIF").size(), 1u);

    check = RunAroPrint(box, {"--check"});
    EXPECT_EQ(check.exitCode, 0) << check.out;
    EXPECT_NE(check.out.find("output folder: " + box.root() + "/scans"), std::string::npos)
        << check.out;
    // Never over an existing hive.
    std::string before = itest::ReadFile(hive);
    EXPECT_EQ(RunAroPrint(box, {"--setup", "elsewhere"}).exitCode, 3);
    EXPECT_EQ(itest::ReadFile(hive), before);
}

TEST(AroPrintJobsTest, DocumentThatFailsAfterItsFirstPageKeepsThatPageAndExitsThree) {
    Sandbox box;
    box.UseSettings({});
    WriteFile(box.root() + "/broken.ps",
              "%!PS\n<< /PageSize [72 72] >> setpagedevice\n"
              "0 setgray 10 10 20 20 rectfill showpage\nnosuchoperator\n");

    HostRun run = RunAroPrint(box, {"--dpi", "72", "broken.ps"});

    EXPECT_EQ(run.exitCode, 3);
    EXPECT_NE(run.out.find("broken.ps: 1 page(s)"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("not completed"), std::string::npos) << run.out;
    std::vector<std::string> files = TiffFiles(box, box.outDir());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(PageCount(files[0]), 1u);
}

TEST(AroPrintRefusalTest, UnprintableInputsExitTwoWithoutCallingTheModule) {
    struct Case {
        const char* name;
        std::string content;  // empty: the file is not created
    };
    std::string truncated = EncodePnm(BilevelPattern(64, 64, 1));
    truncated.resize(truncated.size() - 10);
    const std::vector<Case> cases = {
        {"missing.pdf", ""},
        {"notes.pdf", "plain text, whatever the name says\n"},
        {"cut.pbm", truncated},
        {"liar.ppm", "P6\n60000 60000\n255\nabc"},
        {"garbage-after.pbm", EncodePnm(BilevelPattern(8, 8, 1)) + "trailing junk"},
        {"empty.ps", "%!PS\n% draws nothing\n"},
        {"bad.tif", std::string("II*\0\x08\0\0\0\xFF\xFF", 10)},
    };
    for (const Case& c : cases) {
        Sandbox box;
        UseDebugSettings(box);
        if (!c.content.empty()) WriteFile(box.root() + "/" + c.name, c.content);

        HostRun run = RunAroPrint(box, {"--dpi", "72", c.name});

        EXPECT_EQ(run.exitCode, 2) << c.name;
        EXPECT_EQ(run.out, "") << c.name;
        EXPECT_NE(run.err.find(c.name), std::string::npos) << c.name << ": " << run.err;
        EXPECT_FALSE(ModuleWasCalled(box)) << c.name;
        EXPECT_TRUE(TiffFiles(box, box.outDir()).empty()) << c.name;
    }
}

TEST(AroPrintRefusalTest, BadFileAmongGoodOnesStillPrintsTheGoodOnes) {
    Sandbox box;
    box.UseSettings({});
    WriteFile(box.root() + "/good.pbm", EncodePnm(BilevelPattern(32, 8, 1)));

    HostRun run = RunAroPrint(box, {"missing.pbm", "good.pbm"});

    EXPECT_EQ(run.exitCode, 2);
    std::vector<std::string> files = TiffFiles(box, box.outDir());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(run.out, "good.pbm: 1 page(s), 1 band(s), statuses: none, file: " + files[0] + "\n");
}

TEST(AroPrintRefusalTest, BadUsageExitsTwoBeforeAnyJob) {
    for (const std::vector<std::string>& arguments :
         std::vector<std::vector<std::string>>{{"--band-rows", "12", "page.pbm"},
                                               {"--band-rows", "0", "page.pbm"},
                                               {"--dpi", "many", "page.pbm"},
                                               {"--frobnicate", "page.pbm"},
                                               {}}) {
        Sandbox box;
        UseDebugSettings(box);
        WriteFile(box.root() + "/page.pbm", EncodePnm(BilevelPattern(32, 8, 1)));

        HostRun run = RunAroPrint(box, arguments);

        EXPECT_EQ(run.exitCode, 2) << run.err;
        EXPECT_NE(run.err.find("--help"), std::string::npos) << run.err;
        EXPECT_FALSE(ModuleWasCalled(box));
        EXPECT_TRUE(TiffFiles(box, box.outDir()).empty());
    }
}

TEST(AroPrintRefusalTest, ModuleThatCannotBeLoadedExitsThree) {
    Sandbox box;
    box.UseSettings({});
    WriteFile(box.root() + "/page.pbm", EncodePnm(BilevelPattern(32, 8, 1)));
    WriteFile(box.root() + "/fake.so", "not a library");

    HostRun run = RunAroPrint(box, {"--module", box.root() + "/fake.so", "page.pbm"});

    EXPECT_EQ(run.exitCode, 3);
    EXPECT_NE(run.err.find("cannot load the module"), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
}

TEST(AroPrintRefusalTest, HelpShowsTheUsage) {
    Sandbox box;
    HostRun run = RunAroPrint(box, {"--help"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out.rfind("usage: aro-print [options] FILE...", 0), 0u) << run.out;
}

}  // namespace
}  // namespace aro::hosttest
