// Settings and folders that go wrong under a job: an output folder that
// cannot exist or vanishes before the first band, hive files that are cut
// short or garbage, and a hive file replaced again and again while a job
// reads it at every band.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "ModuleHarness.h"
#include "SoakSupport.h"
#include "common/TiffInspect.h"

namespace aro::itest {
namespace {

constexpr int kMono = 1;

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// One short document: two monochrome pages; the statuses of their bands.
JobResult PrintTwoPages(Sandbox& box, const std::function<void()>& beforeFirstBand = {}) {
    return box.Run([&](Module& m, std::vector<std::string>& out) {
        m.startDoc();
        if (beforeFirstBand) beforeFirstBand();
        for (int page = 0; page < 2; ++page)
            for (int status : PrintPage(m, MonoPage(64, 16, page), 64, 16, 8, kMono))
                out.push_back(std::to_string(status));
        m.endDoc();
    });
}

TEST(BrokenSettingsTest, OutputFolderBelowAFileRefusesEveryBand) {
    Sandbox box;
    const std::string file = box.root() + "/not-a-folder";
    WriteBytes(file, "plain file");
    box.WriteUserHive(
        "[HKEY_CURRENT_USER\\Software\\ARO Digital\\Dovurezazuv]\n"
        "\"AlternateKey\"=\"Software\\\\Test\\\\Out\"\n\n"
        "[HKEY_CURRENT_USER\\Software\\Test\\Out]\n\"Dovurezazuv\"=\"" +
        file + "/out\"\n");
    JobResult job = PrintTwoPages(box);
    ASSERT_EQ(job.exitCode, 0) << job.standardError;
    EXPECT_EQ(job.outputs, std::vector<std::string>(4, "-1"));
    EXPECT_NE(job.standardError.find("Cannot open TIFF file in the directory"), std::string::npos);
    EXPECT_EQ(ReadFile(file), "plain file");
}

TEST(BrokenSettingsTest, OutputFolderRemovedBeforeTheFirstBand) {
    Sandbox box;
    box.UseSettings({{"PrintGrpFile", "1"}});
    JobResult job = PrintTwoPages(box, [&] { rmdir(box.outDir().c_str()); });
    ASSERT_EQ(job.exitCode, 0) << job.standardError;
    EXPECT_EQ(job.outputs, std::vector<std::string>(4, "-1"));
    EXPECT_NE(job.standardError.find("Cannot open TIFF file in the directory"), std::string::npos);
    // Neither the folder nor a .grp file for a TIFF file that never was.
    EXPECT_FALSE(FileExists(box.outDir()));
}

// The settings hive of a working job, with a letterhead and a .grp file.
std::string WorkingHive(Sandbox& box) {
    const std::string letterhead = box.root() + "/letterhead.tif";
    soak::WriteMonoLetterhead(letterhead, 64, 32);
    box.UseSettings({{"PrintBackgroundImage", "1"},
                     {"BackgroundImageFirstPage", letterhead},
                     {"BackgroundImageNextPages", letterhead},
                     {"PrintGrpFile", "1"},
                     {"MaxPagesCount", "5"}});
    return ReadFile(box.userHive());
}

// Whatever the hive holds, a job ends normally with a status per band.
void ExpectJobSurvives(Sandbox& box, const std::string& what) {
    SCOPED_TRACE(what);
    JobResult job = PrintTwoPages(box);
    ASSERT_EQ(job.exitCode, 0) << job.standardError;
    ASSERT_EQ(job.outputs.size(), 4u);
    for (const std::string& status : job.outputs)
        EXPECT_TRUE(status == "0" || status == "-1" || status == "-2" || status == "-3") << status;
}

TEST(BrokenSettingsTest, TruncatedHiveCountsAsAbsentValues) {
    Sandbox box;
    const std::string hive = WorkingHive(box);
    for (size_t cut = 0; cut < hive.size(); cut += hive.size() / 12 + 1) {
        WriteBytes(box.userHive(), hive.substr(0, cut));
        ExpectJobSurvives(box, "hive cut at byte " + std::to_string(cut));
    }
    // Cut in the middle of the output folder's line: no folder, no file.
    WriteBytes(box.userHive(), hive.substr(0, hive.rfind(box.outDir()) + 3));
    JobResult job = PrintTwoPages(box);
    EXPECT_EQ(job.outputs, std::vector<std::string>(4, "-1"));
}

TEST(BrokenSettingsTest, BinaryGarbageHiveCountsAsEmpty) {
    Sandbox box;
    const std::string hive = WorkingHive(box);
    std::mt19937 random(7);
    for (int round = 0; round < 6; ++round) {
        std::string garbage(4096, '\0');
        for (char& c : garbage) c = static_cast<char>(random());
        // Some rounds keep a sound start, so that the parser gets deep into the rubbish.
        if (round % 2) garbage = hive.substr(0, hive.size() / 2) + garbage;
        WriteBytes(box.userHive(), garbage);
        ExpectJobSurvives(box, "garbage round " + std::to_string(round));
    }
}

// Replaces the hive file by one of two complete versions, alternately, as
// fast as it can, until killed.
pid_t StartReplacing(const std::string& hivePath, const std::string& first,
                     const std::string& second) {
    const std::string a = hivePath + ".a", b = hivePath + ".b";
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child != 0) return child;
    for (unsigned n = 0;; ++n) {
        const std::string& staged = n % 2 ? a : b;
        WriteBytes(staged, n % 2 ? first : second);
        if (rename(staged.c_str(), hivePath.c_str()) != 0) _exit(1);
    }
}

TEST(BrokenSettingsTest, HiveReplacedWhileTheJobReadsItAtEveryBand) {
    Sandbox box;
    const std::string first = box.root() + "/first.tif", next = box.root() + "/next.tif";
    soak::WriteMonoLetterhead(first, 64, 32);
    soak::WriteMonoLetterhead(next, 48, 24);
    box.UseSettings({{"PrintBackgroundImage", "1"},
                     {"BackgroundImageFirstPage", first},
                     {"BackgroundImageNextPages", next}});
    const std::string versionA = ReadFile(box.userHive());
    box.UseSettings({{"PrintBackgroundImage", "1"},
                     {"BackgroundImageFirstPage", next},
                     {"BackgroundImageNextPages", first},
                     {"Unrelated", std::string(2000, 'x')}});
    const std::string versionB = ReadFile(box.userHive());
    const pid_t replacer = StartReplacing(box.userHive(), versionA, versionB);
    const int kPages = 150;
    JobResult job = box.Run([&](Module& m, std::vector<std::string>& out) {
        m.startDoc();
        for (int page = 0; page < kPages; ++page)
            for (int status : PrintPage(m, MonoPage(64, 32, page), 64, 32, 8, kMono))
                out.push_back(std::to_string(status));
        m.endDoc();
    });
    kill(replacer, SIGKILL);
    waitpid(replacer, nullptr, 0);
    ASSERT_EQ(job.exitCode, 0) << job.standardError;
    // Every read found a complete file: the letterhead was always there.
    EXPECT_EQ(job.outputs, std::vector<std::string>(kPages * 4, "0"));
    auto files = box.Files(box.outDir(), ".TIF");
    ASSERT_EQ(files.size(), 1u);
    std::vector<test::TiffPage> pages;
    ASSERT_TRUE(test::ReadTiffPages(box.outDir() + "/" + files[0], &pages));
    EXPECT_EQ(pages.size(), static_cast<size_t>(kPages));
}

}  // namespace
}  // namespace aro::itest
