// Long jobs through the built module: hundreds of mixed pages with
// letterheads, hooks and the diagnostic log. The job's process must end as
// it began: no leak (LeakSanitizer in the ASan build, resident memory
// otherwise), no open file left, no zombie from the hooks.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ModuleHarness.h"
#include "SoakSupport.h"
#include "common/TiffInspect.h"

namespace aro::itest {
namespace {

constexpr int kMono = 1;
constexpr int kColour = 5;
// Resident memory may move a little (allocator caches), not grow with pages.
constexpr long kResidentGrowthLimitKiB = 512;

struct SoakFigures {
    int refusedBands = 0;
    int fdsBefore = 0, fdsAfter = 0;
    long residentEarly = 0, residentLate = 0;
    int children = 0, zombies = 0;
    bool leaks = false;
};

std::vector<std::string> Record(const SoakFigures& f) {
    return {std::to_string(f.refusedBands), std::to_string(f.fdsBefore),
            std::to_string(f.fdsAfter),     std::to_string(f.residentEarly),
            std::to_string(f.residentLate), std::to_string(f.children),
            std::to_string(f.zombies),      f.leaks ? "1" : "0"};
}

SoakFigures Parse(const std::vector<std::string>& out) {
    SoakFigures f;
    if (out.size() != 8) return f;
    f.refusedBands = std::stoi(out[0]);
    f.fdsBefore = std::stoi(out[1]);
    f.fdsAfter = std::stoi(out[2]);
    f.residentEarly = std::stol(out[3]);
    f.residentLate = std::stol(out[4]);
    f.children = std::stoi(out[5]);
    f.zombies = std::stoi(out[6]);
    f.leaks = out[7] == "1";
    return f;
}

// Every third page in colour (bands of odd heights, so rows wait for their
// strip), the others monochrome.
int PrintMixedPage(Module& m, int page) {
    std::vector<int> statuses =
        page % 3 == 2 ? PrintPage(m, soak::ColourPage(160, 100, page), 160, 100, 36, kColour)
                      : PrintPage(m, MonoPage(300, 120, page), 300, 120, 32, kMono);
    int refused = 0;
    for (int status : statuses) refused += status != 0;
    return refused;
}

// Hooks, letterheads for both kinds of page, the .grp file and the log.
void UseSoakSettings(Sandbox& box, const std::string& multiPage) {
    const std::string mono = box.root() + "/letterhead.tif", colour = box.root() + "/colour.tif";
    soak::WriteMonoLetterhead(mono, 300, 60);
    soak::WriteColourLetterhead(colour, 120, 40);
    mkdir((box.root() + "/bin").c_str(), 0700);
    ASSERT_EQ(symlink(ARO_ARGV_PROBE, (box.root() + "/bin/record-hook").c_str()), 0);
    box.UseSettings({{"PrintMultiPageImage", multiPage},
                     {"PrintBackgroundImage", "1"},
                     {"BackgroundImageFirstPage", mono},
                     {"BackgroundImageNextPages", mono},
                     {"BackgroundImageFirstPageColor", colour},
                     {"BackgroundImageNextPagesColor", colour},
                     {"PrintGrpFile", "1"},
                     {"Debug", "1"},
                     {"ShellExecuteBefore", "record-hook"},
                     {"ShellExecuteBeforeParam", "before"},
                     {"ShellExecuteBeforeCheckin", "record-hook"},
                     {"ShellExecuteBeforeCheckinParam", "checkin"},
                     {"ShellExecuteAfter", "record-hook"},
                     {"ShellExecuteAfterParam", "after"}});
}

// Runs the job, then waits for the hooks' programs (expectedHookLines lines
// in hooks.txt) before looking at the process.
JobResult RunSoakJob(Sandbox& box, int pages, size_t expectedHookLines) {
    const std::string hooks = box.root() + "/hooks.txt";
    return box.Run(
        [&](Module& m, std::vector<std::string>& out) {
            SoakFigures f;
            f.fdsBefore = soak::OpenFileDescriptors();
            m.startDoc();
            for (int page = 0; page < pages; ++page) {
                f.refusedBands += PrintMixedPage(m, page);
                if (page == 49) f.residentEarly = soak::ResidentKiB();
            }
            f.residentLate = soak::ResidentKiB();
            m.endDoc();
            soak::Eventually([&] {
                const std::string lines = ReadFile(hooks);
                return static_cast<size_t>(std::count(lines.begin(), lines.end(), '\n')) >=
                       expectedHookLines;
            });
            f.fdsAfter = soak::OpenFileDescriptors();
            // The detached hooks' intermediate processes are reaped at once.
            soak::Eventually([] { return soak::ChildProcesses().empty(); });
            for (const auto& child : soak::ChildProcesses()) f.zombies += child.state == 'Z';
            f.children = static_cast<int>(soak::ChildProcesses().size());
            f.leaks = soak::LeaksFound();
            out = Record(f);
        },
        {"PATH=" + box.root() + "/bin:/usr/bin:/bin", "ARO_PROBE_OUTPUT=" + hooks});
}

void ExpectCleanProcess(const JobResult& job) {
    ASSERT_EQ(job.exitCode, 0) << job.standardError;
    const SoakFigures f = Parse(job.outputs);
    ASSERT_EQ(job.outputs.size(), 8u);
    EXPECT_EQ(f.refusedBands, 0);
    EXPECT_EQ(f.fdsAfter, f.fdsBefore);
    EXPECT_EQ(f.children, 0);
    EXPECT_EQ(f.zombies, 0);
    EXPECT_FALSE(f.leaks) << job.standardError;
    // AddressSanitizer keeps freed memory in quarantine: there the leak check counts.
    if (!soak::UnderAddressSanitizer()) {
        EXPECT_LE(f.residentLate - f.residentEarly, kResidentGrowthLimitKiB)
            << "page 50: " << f.residentEarly << " KiB, last page: " << f.residentLate << " KiB";
    }
}

size_t Count(const std::string& text, const std::string& pattern) {
    size_t count = 0;
    for (size_t at = text.find(pattern); at != std::string::npos; at = text.find(pattern, at + 1))
        ++count;
    return count;
}

TEST(LongJobSoakTest, ThreeHundredMixedPagesLeaveTheProcessAsItWas) {
    Sandbox box;
    UseSoakSettings(box, "1");
    const int kPages = 300;
    JobResult job = RunSoakJob(box, kPages, 3);
    ExpectCleanProcess(job);
    const std::string hooksPath = box.root() + "/hooks.txt";
    soak::Eventually([&] { return Count(ReadFile(hooksPath), "\n") >= 3; });
    const std::string hooks = ReadFile(hooksPath);
    EXPECT_EQ(Count(hooks, "before|before|1\n"), 1u);
    EXPECT_EQ(Count(hooks, "checkin|checkin|1\n"), 1u);
    EXPECT_EQ(Count(hooks, "after|after|1\n"), 1u);

    auto files = box.Files(box.outDir(), ".TIF");
    ASSERT_EQ(files.size(), 1u);
    std::vector<test::TiffPage> pages;
    ASSERT_TRUE(test::ReadTiffPages(box.outDir() + "/" + files[0], &pages));
    ASSERT_EQ(pages.size(), static_cast<size_t>(kPages));
    for (int page = 0; page < kPages; ++page) {
        const bool colour = page % 3 == 2;
        ASSERT_EQ(pages[page].compression, colour ? COMPRESSION_JPEG : COMPRESSION_CCITTFAX4)
            << page;
        ASSERT_EQ(pages[page].rows.size(), colour ? 100u : 120u) << page;
    }
    const std::string grp =
        ReadFile(box.outDir() + "/" + files[0].substr(0, files[0].size() - 4) + ".grp");
    EXPECT_NE(grp.find("Total Page Number=300"), std::string::npos) << grp;
}

TEST(LongJobSoakTest, SinglePageRestartsLeaveTheProcessAsItWas) {
    Sandbox box;
    UseSoakSettings(box, "0");
    // Every page is a document of its own: hooks and setup run per page
    // (one document more is prepared after the last page).
    const int kPages = 60;
    JobResult job = RunSoakJob(box, kPages, 3 * (kPages + 1));
    ExpectCleanProcess(job);
    const std::string hooksPath = box.root() + "/hooks.txt";
    soak::Eventually([&] { return Count(ReadFile(hooksPath), "\n") >= 3 * (kPages + 1); });
    const std::string hooks = ReadFile(hooksPath);
    EXPECT_EQ(Count(hooks, "before|before|1\n"), static_cast<size_t>(kPages + 1));
    EXPECT_EQ(Count(hooks, "checkin|checkin|1\n"), static_cast<size_t>(kPages + 1));
    EXPECT_EQ(Count(hooks, "after|after|1\n"), static_cast<size_t>(kPages + 1));
    auto files = box.Files(box.outDir(), ".TIF");
    EXPECT_EQ(files.size(), static_cast<size_t>(kPages));
}

}  // namespace
}  // namespace aro::itest
