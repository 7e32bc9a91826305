// Bands whose bitmap type differs from their page's, and pages after a
// write into the file failed. Every band ends right before an inaccessible
// page of memory, as a careful host allocates them, so that a read beyond a
// band crashes the job instead of putting host memory into the file.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "ModuleHarness.h"
#include "SoakSupport.h"
#include "common/TiffInspect.h"

namespace aro::itest {
namespace {

constexpr int kMono = ARO_BITMAP_MONOCHROME;
constexpr int kColour = ARO_BITMAP_COLOUR;
constexpr int kUnknown = 4;  // a type no writer takes

// A copy of the band whose last byte lies right before a PROT_NONE page.
class GuardedBand {
public:
    explicit GuardedBand(const std::vector<unsigned char>& bytes) {
        const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
        const size_t room = (bytes.size() + page - 1) / page * page;
        m_size = room + page;
        m_block = static_cast<unsigned char*>(
            mmap(nullptr, m_size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        mprotect(m_block + room, page, PROT_NONE);
        m_band = m_block + room - bytes.size();
        std::memcpy(m_band, bytes.data(), bytes.size());
    }
    ~GuardedBand() { munmap(m_block, m_size); }
    unsigned char* data() { return m_band; }

private:
    unsigned char* m_block = nullptr;
    unsigned char* m_band = nullptr;
    size_t m_size = 0;
};

std::vector<unsigned char> Band(int format, uint32_t width, uint32_t rows, int seed) {
    return format == kMono ? MonoPage(width, rows, seed) : soak::ColourPage(width, rows, seed);
}

// Sends one band from guarded memory and records its status.
void Send(Module& m, std::vector<std::string>& out, int format, uint32_t width, uint32_t rows,
          int banding) {
    GuardedBand band(Band(format, width, rows, static_cast<int>(out.size())));
    out.push_back(std::to_string(m.endPage(band.data(), rows, width, format, 300, banding)));
}

std::vector<test::TiffPage> ReadOnlyFile(Sandbox& box) {
    std::vector<test::TiffPage> pages;
    const auto files = box.Files(box.outDir(), ".TIF");
    EXPECT_EQ(files.size(), 1u);
    if (files.size() == 1) {
        const std::string path = box.outDir() + "/" + files[0];
        EXPECT_TRUE(test::DirectoryChainIsSound(path)) << path;
        EXPECT_TRUE(test::ReadTiffPages(path, &pages));
    }
    return pages;
}

void ExpectGroupPageCount(Sandbox& box, int pages) {
    const auto grp = box.Files(box.outDir(), ".grp");
    ASSERT_EQ(grp.size(), 1u);
    EXPECT_NE(
        ReadFile(box.outDir() + "/" + grp[0]).find("Total Page Number=" + std::to_string(pages)),
        std::string::npos);
}

struct Sequence {
    const char* what;
    int first, second;
};

TEST(PageKindFaultTest, BandOfAnotherTypeThanItsPageIsRefusedUnread) {
    // Colour then monochrome, monochrome then colour, each mid-page and as
    // the page's last band; then a sound page of the other type.
    for (const Sequence& s : {Sequence{"colour page, monochrome band", kColour, kMono},
                              Sequence{"monochrome page, colour band", kMono, kColour}})
        for (int banding : {1, 0}) {
            SCOPED_TRACE(std::string(s.what) + (banding ? ", mid-page" : ", last band"));
            Sandbox box;
            box.UseSettings({});
            JobResult job = box.Run([&](Module& m, std::vector<std::string>& out) {
                m.startDoc();
                m.startPage();
                Send(m, out, s.first, 100, 8, 1);
                Send(m, out, s.second, 100, 8, banding);
                if (banding) Send(m, out, s.first, 100, 8, 0);
                m.startPage();
                Send(m, out, s.second, 96, 8, 0);
                m.endDoc();
            });
            ASSERT_EQ(job.exitCode, 0) << job.standardError;
            const std::vector<std::string> expected =
                banding ? std::vector<std::string>{"0", "-2", "0", "0"}
                        : std::vector<std::string>{"0", "-2", "0"};
            EXPECT_EQ(job.outputs, expected);
            const auto pages = ReadOnlyFile(box);
            ASSERT_EQ(pages.size(), 2u);
            EXPECT_EQ(pages[0].height, banding ? 16u : 8u);
            EXPECT_EQ(pages[0].samplesPerPixel, s.first == kColour ? 3 : 1);
            EXPECT_EQ(pages[1].width, 96u);
            EXPECT_EQ(pages[1].samplesPerPixel, s.second == kColour ? 3 : 1);
        }
}

// A page that a band of an unknown type ends, or that never gets its
// closing band before the next page or the end of the document, keeps its
// rows in a directory of its own.
TEST(PageKindFaultTest, PageLeftWithoutItsClosingBandKeepsItsRows) {
    Sandbox box;
    box.UseSettings({{"PrintGrpFile", "1"}});
    JobResult job = box.Run([&](Module& m, std::vector<std::string>& out) {
        m.startDoc();
        m.startPage();
        Send(m, out, kColour, 64, 8, 1);
        Send(m, out, kUnknown, 64, 8, 0);
        m.startPage();
        Send(m, out, kMono, 200, 30, 1);
        m.startPage();
        Send(m, out, kMono, 96, 16, 1);
        Send(m, out, kMono, 96, 16, 1);
        m.endDoc();
    });
    ASSERT_EQ(job.exitCode, 0) << job.standardError;
    EXPECT_EQ(job.outputs, (std::vector<std::string>{"0", "0", "0", "0", "0"}));
    const auto pages = ReadOnlyFile(box);
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(pages[0].rows.size(), 8u);
    EXPECT_EQ(pages[1].width, 200u);
    EXPECT_EQ(pages[1].rows.size(), 30u);
    EXPECT_EQ(pages[2].width, 96u);
    EXPECT_EQ(pages[2].rows.size(), 32u);
    ExpectGroupPageCount(box, 3);
}

// A full disk: after the page that met it, every later page of either type
// is refused with -2 and not read, and the file holds the pages before it.
TEST(PageKindFaultTest, PagesAfterAFailedWriteAreRefusedAndTheFileStaysValid) {
    for (int failing : {kColour, kMono})
        for (int next : {kMono, kColour}) {
            SCOPED_TRACE(std::string(failing == kColour ? "colour" : "monochrome") +
                         " page meets the full disk, then a " +
                         (next == kColour ? "colour" : "monochrome") + " page");
            Sandbox box;
            box.UseSettings({{"PrintGrpFile", "1"}});
            JobResult job = box.Run([&](Module& m, std::vector<std::string>& out) {
                m.startDoc();
                m.startPage();
                Send(m, out, kMono, 64, 8, 0);  // small enough to fit
                signal(SIGXFSZ, SIG_IGN);
                struct rlimit limit = {4096, 4096};
                setrlimit(RLIMIT_FSIZE, &limit);
                m.startPage();
                Send(m, out, failing, 1200, 64, 0);
                m.startPage();
                Send(m, out, next, 200, 30, 1);
                Send(m, out, next, 200, 30, 0);
                m.endDoc();
            });
            ASSERT_EQ(job.exitCode, 0) << job.standardError;
            EXPECT_EQ(job.outputs, (std::vector<std::string>{"0", "-2", "-2", "-2"}));
            const auto pages = ReadOnlyFile(box);
            ASSERT_EQ(pages.size(), 1u);
            EXPECT_EQ(pages[0].width, 64u);
            ExpectGroupPageCount(box, 1);
        }
}

}  // namespace
}  // namespace aro::itest
