// A disk that fills up in the middle of a job, made with RLIMIT_FSIZE in
// the job's process (SIGXFSZ ignored, so that writes fail with EFBIG).
// The page that meets the full disk is reported on its last band, nothing
// crashes, and every page finished before it can still be read whole.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <tiffio.h>

#include <random>
#include <string>
#include <vector>

#include "ModuleHarness.h"
#include "SoakSupport.h"
#include "common/TiffInspect.h"

namespace aro::itest {
namespace {

constexpr int kMono = 1;
constexpr int kColour = 5;
constexpr rlim_t kFileLimit = 256 * 1024;
constexpr int kMaxPages = 40;

// Noise compresses badly, so that a few pages fill the allowance.
std::vector<unsigned char> NoisePage(int format, uint32_t width, uint32_t rows, unsigned seed) {
    const size_t stride = format == kMono ? (width + 31) / 32 * 4 : (width * 3 + 3) / 4 * 4;
    std::vector<unsigned char> page(stride * rows);
    std::mt19937 random(seed);
    for (auto& byte : page) byte = static_cast<unsigned char>(random());
    return page;
}

struct DiskFullJob {
    std::vector<std::vector<int>> statuses;  // per page, per band
    JobResult job;
};

// Prints pages of four bands until a page's last band is refused, then one
// page more; every page's statuses are recorded as "s s s s".
DiskFullJob PrintUntilTheDiskIsFull(Sandbox& box, int format, uint32_t width) {
    DiskFullJob result;
    result.job = box.Run([&](Module& m, std::vector<std::string>& out) {
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = {kFileLimit, kFileLimit};
        setrlimit(RLIMIT_FSIZE, &limit);
        m.startDoc();
        bool failed = false;
        for (int page = 0; page < kMaxPages; ++page) {
            auto statuses = PrintPage(m, NoisePage(format, width, 64, static_cast<unsigned>(page)),
                                      width, 64, 16, format);
            std::string line;
            for (int s : statuses) line += std::to_string(s) + " ";
            out.push_back(line);
            if (failed) break;
            failed = statuses.back() != 0;
        }
        m.endDoc();
    });
    for (const std::string& line : result.job.outputs) {
        std::vector<int> page;
        size_t at = 0;
        while (at < line.size()) {
            size_t used = 0;
            page.push_back(std::stoi(line.substr(at), &used));
            at += used + 1;
        }
        result.statuses.push_back(page);
    }
    return result;
}

void ExpectFinishedPagesReadable(Sandbox& box, size_t finished, uint32_t width) {
    auto files = box.Files(box.outDir(), ".TIF");
    ASSERT_EQ(files.size(), 1u);
    std::vector<test::TiffPage> pages;
    // The file holds exactly the pages finished, and its chain of pages
    // ends where they do.
    EXPECT_TRUE(test::DirectoryChainIsSound(box.outDir() + "/" + files[0]));
    ASSERT_TRUE(test::ReadTiffPages(box.outDir() + "/" + files[0], &pages));
    ASSERT_EQ(pages.size(), finished);
    for (size_t i = 0; i < finished; ++i) {
        SCOPED_TRACE("page " + std::to_string(i + 1));
        EXPECT_EQ(pages[i].width, width);
        EXPECT_EQ(pages[i].height, 64u);
        EXPECT_EQ(pages[i].rows.size(), 64u);
    }
    // The .grp file counts the pages that made it into the file.
    const std::string grp =
        ReadFile(box.outDir() + "/" + files[0].substr(0, files[0].size() - 4) + ".grp");
    EXPECT_NE(grp.find("Total Page Number=" + std::to_string(finished)), std::string::npos) << grp;
}

size_t PagesBeforeTheFault(const DiskFullJob& run) {
    size_t finished = 0;
    while (finished < run.statuses.size() && run.statuses[finished].back() == 0) ++finished;
    return finished;
}

TEST(FullDiskTest, MonochromePageMeetingAFullDiskEndsWithMinusTwo) {
    Sandbox box;
    box.UseSettings({{"PrintGrpFile", "1"}});
    DiskFullJob run = PrintUntilTheDiskIsFull(box, kMono, 1024);
    ASSERT_EQ(run.job.exitCode, 0) << run.job.standardError;
    const size_t finished = PagesBeforeTheFault(run);
    ASSERT_GT(finished, 0u);
    ASSERT_LT(finished, run.statuses.size()) << "the disk never filled up";
    for (size_t page = 0; page < finished; ++page)
        EXPECT_EQ(run.statuses[page], std::vector<int>(4, 0)) << "page " << page + 1;
    // The failing page and the one after it: their rows could not be written.
    for (size_t page = finished; page < run.statuses.size(); ++page)
        EXPECT_EQ(run.statuses[page].back(), -2) << "page " << page + 1;
    ExpectFinishedPagesReadable(box, finished, 1024);
}

TEST(FullDiskTest, ColourPageMeetingAFullDiskIsReportedWhenItEnds) {
    Sandbox box;
    box.UseSettings({{"PrintGrpFile", "1"}});
    DiskFullJob run = PrintUntilTheDiskIsFull(box, kColour, 256);
    ASSERT_EQ(run.job.exitCode, 0) << run.job.standardError;
    const size_t finished = PagesBeforeTheFault(run);
    ASSERT_GT(finished, 0u);
    ASSERT_LT(finished, run.statuses.size()) << "the disk never filled up";
    // Strips that fail are not reported band by band; the page whose
    // strips or directory cannot be written is, on its last band. Every
    // band of a later page is refused.
    EXPECT_EQ(run.statuses[finished], (std::vector<int>{0, 0, 0, -2}));
    for (size_t page = finished + 1; page < run.statuses.size(); ++page)
        EXPECT_EQ(run.statuses[page], std::vector<int>(4, -2)) << "page " << page + 1;
    ExpectFinishedPagesReadable(box, finished, 256);
}

}  // namespace
}  // namespace aro::itest
