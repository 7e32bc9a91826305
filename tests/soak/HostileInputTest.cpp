// Entry points called with what no printer driver should send: sizes at
// the 32-bit limits with small real buffers, missing bands, bands that do
// not match their page, outsized and odd job names. Each job runs in a
// child, so that a crash fails its test only; the AddressSanitizer build
// proves that nothing is read or written outside a buffer.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <string>
#include <vector>

#include "ModuleHarness.h"
#include "SoakSupport.h"
#include "common/TiffInspect.h"

namespace aro::itest {
namespace {

constexpr int kMono = 1;
constexpr int kColour = 5;

struct HostileBand {
    const char* what;
    uint32_t width;
    uint32_t height;
};

// Sizes whose rows would lie far beyond the 64-byte band actually given.
const HostileBand kHostileBands[] = {
    {"width at the 32-bit limit", 0xFFFFFFFFu, 1},
    {"width of 2^31", 0x80000000u, 1},
    {"width above a page's", 70000, 1},
    {"height at the 32-bit limit", 16, 0xFFFFFFFFu},
    {"height of 2^31", 16, 0x80000000u},
    {"both at the limits", 0xFFFFFFFFu, 0xFFFFFFFFu},
    {"no columns", 0, 8},
};

// The job's output folder holds exactly one TIFF file of exactly one page.
::testing::AssertionResult ReadTheOnePage(Sandbox& box, test::TiffPage* page) {
    const auto files = box.Files(box.outDir(), ".TIF");
    if (files.size() != 1) return ::testing::AssertionFailure() << files.size() << " TIFF files";
    std::vector<test::TiffPage> pages;
    if (!test::ReadTiffPages(box.outDir() + "/" + files[0], &pages))
        return ::testing::AssertionFailure() << files[0] << " does not decode";
    if (pages.size() != 1) return ::testing::AssertionFailure() << pages.size() << " pages";
    *page = pages[0];
    return ::testing::AssertionSuccess();
}

// Prints the hostile band as the only band of a page, then a sound page;
// records both statuses and whether the sound page still made it.
JobResult PrintHostileThenSound(Sandbox& box, int format, const HostileBand& band) {
    return box.Run([&](Module& m, std::vector<std::string>& out) {
        m.startDoc();
        std::vector<unsigned char> small(64, 0xFF);
        m.startPage();
        out.push_back(
            std::to_string(m.endPage(small.data(), band.height, band.width, format, 300, 0)));
        const auto sound = format == kMono ? MonoPage(64, 16, 1) : soak::ColourPage(16, 16, 1);
        out.push_back(
            std::to_string(PrintPage(m, sound, format == kMono ? 64 : 16, 16, 8, format).back()));
        m.endDoc();
    });
}

TEST(HostileInputTest, BandsLargerThanAnyPageAreRefusedWithMinusTwo) {
    for (int format : {kMono, kColour})
        for (const HostileBand& band : kHostileBands) {
            SCOPED_TRACE(std::string(band.what) + (format == kMono ? ", monochrome" : ", colour"));
            Sandbox box;
            box.UseSettings({});
            JobResult job = PrintHostileThenSound(box, format, band);
            ASSERT_EQ(job.exitCode, 0) << job.standardError;
            EXPECT_EQ(job.outputs, (std::vector<std::string>{"-2", "0"}));
            // The refused band left no page behind; the sound page is whole.
            test::TiffPage stored;
            ASSERT_TRUE(ReadTheOnePage(box, &stored));
            EXPECT_EQ(stored.height, 16u);
            EXPECT_EQ(stored.rows.size(), 16u);
        }
}

TEST(HostileInputTest, MissingBandKeepsThePageRowsItDidGet) {
    for (int format : {kMono, kColour}) {
        SCOPED_TRACE(format == kMono ? "monochrome" : "colour");
        Sandbox box;
        box.UseSettings({});
        const uint32_t width = format == kMono ? 64 : 16;
        JobResult job = box.Run([&](Module& m, std::vector<std::string>& out) {
            m.startDoc();
            // 12 rows: a colour page keeps four of them staged for a strip
            // that the missing band would have completed.
            auto page = format == kMono ? MonoPage(width, 12, 2) : soak::ColourPage(width, 12, 2);
            m.startPage();
            out.push_back(std::to_string(m.endPage(page.data(), 12, width, format, 300, 1)));
            out.push_back(std::to_string(m.endPage(nullptr, 8, width, format, 300, 0)));
            m.endDoc();
        });
        ASSERT_EQ(job.exitCode, 0) << job.standardError;
        EXPECT_EQ(job.outputs, (std::vector<std::string>{"0", "-2"}));
        test::TiffPage stored;
        ASSERT_TRUE(ReadTheOnePage(box, &stored));
        // The missing band's rows are not claimed: every stored row decodes.
        EXPECT_EQ(stored.height, 12u);
        EXPECT_EQ(stored.rows.size(), 12u);
    }
}

// A page may be closed by a band of no rows; whatever width it claims, it
// reads nothing and the rows the page got (a colour page keeps four of its
// twelve staged for the last strip) are all stored.
TEST(HostileInputTest, ClosingBandOfNoRowsMayClaimAnyWidth) {
    for (int format : {kMono, kColour})
        for (uint32_t claimed : {0u, 7u, 0xFFFFFFFFu}) {
            SCOPED_TRACE((format == kMono ? "monochrome, width " : "colour, width ") +
                         std::to_string(claimed));
            Sandbox box;
            box.UseSettings({});
            const uint32_t width = format == kMono ? 64 : 16;
            JobResult job = box.Run([&](Module& m, std::vector<std::string>& out) {
                m.startDoc();
                auto page =
                    format == kMono ? MonoPage(width, 12, 5) : soak::ColourPage(width, 12, 5);
                m.startPage();
                out.push_back(std::to_string(m.endPage(page.data(), 12, width, format, 300, 1)));
                out.push_back(std::to_string(m.endPage(nullptr, 0, claimed, format, 300, 0)));
                m.endDoc();
            });
            ASSERT_EQ(job.exitCode, 0) << job.standardError;
            EXPECT_EQ(job.outputs, (std::vector<std::string>{"0", "0"}));
            test::TiffPage stored;
            ASSERT_TRUE(ReadTheOnePage(box, &stored));
            EXPECT_EQ(stored.width, width);
            EXPECT_EQ(stored.rows.size(), 12u);
        }
}

TEST(HostileInputTest, BandWiderThanItsPageIsRefused) {
    for (int format : {kMono, kColour}) {
        SCOPED_TRACE(format == kMono ? "monochrome" : "colour");
        Sandbox box;
        box.UseSettings({});
        JobResult job = box.Run([&](Module& m, std::vector<std::string>& out) {
            m.startDoc();
            const uint32_t narrow = format == kMono ? 32 : 8, wide = narrow * 40;
            auto first = format == kMono ? MonoPage(narrow, 8, 3) : soak::ColourPage(narrow, 8, 3);
            // A real buffer for the wide band, so that only the module's
            // bookkeeping (the page's staging buffer) could overflow.
            auto second = format == kMono ? MonoPage(wide, 8, 3) : soak::ColourPage(wide, 8, 3);
            m.startPage();
            out.push_back(std::to_string(m.endPage(first.data(), 8, narrow, format, 300, 1)));
            out.push_back(std::to_string(m.endPage(second.data(), 8, wide, format, 300, 0)));
            m.endDoc();
        });
        ASSERT_EQ(job.exitCode, 0) << job.standardError;
        EXPECT_EQ(job.outputs, (std::vector<std::string>{"0", "-2"}));
        test::TiffPage stored;
        ASSERT_TRUE(ReadTheOnePage(box, &stored));
        EXPECT_EQ(stored.rows.size(), 8u);
    }
}

TEST(HostileInputTest, BandsWithoutRowsWriteNoEmptyPage) {
    for (int format : {kMono, kColour}) {
        SCOPED_TRACE(format == kMono ? "monochrome" : "colour");
        Sandbox box;
        box.UseSettings({});
        const uint32_t width = format == kMono ? 64 : 16;
        JobResult job = box.Run([&](Module& m, std::vector<std::string>& out) {
            m.startDoc();
            // A page of one empty band, then a page that starts with one.
            m.startPage();
            out.push_back(std::to_string(m.endPage(nullptr, 0, width, format, 300, 0)));
            auto page = format == kMono ? MonoPage(width, 8, 4) : soak::ColourPage(width, 8, 4);
            m.startPage();
            out.push_back(std::to_string(m.endPage(nullptr, 0, width, format, 300, 1)));
            out.push_back(std::to_string(m.endPage(page.data(), 8, width, format, 300, 0)));
            m.endDoc();
        });
        ASSERT_EQ(job.exitCode, 0) << job.standardError;
        EXPECT_EQ(job.outputs, (std::vector<std::string>{"-2", "0", "0"}));
        test::TiffPage stored;
        ASSERT_TRUE(ReadTheOnePage(box, &stored));
        EXPECT_EQ(stored.rowsPerStrip, 8u);
        EXPECT_EQ(stored.rows.size(), 8u);
    }
}

TEST(HostileInputTest, HugeAndOddJobNamesStayInTheOutputFolder) {
    std::string huge(10000, 'n');
    std::string separators = "../../..//\\:*?\"<>|/etc/passwd";
    std::string control = "\x01\x02\t\n\r\x1b[31m\x7f";
    control += std::string(3, '\xff');
    for (const std::string& name : {huge, separators, control, std::string()}) {
        for (const char* mode : {"2", "3"}) {
            SCOPED_TRACE(std::string("FileNameMode ") + mode + ", name of " +
                         std::to_string(name.size()) + " bytes");
            Sandbox box;
            box.UseSettings({{"FileNameMode", mode}, {"PrintTxtFile", "1"}});
            JobResult job = box.Run([&](Module& m, std::vector<std::string>& out) {
                out.push_back(std::to_string(m.jobName(name.c_str())));
                m.startDoc();
                // A destination of exactly the documented size, fenced by canaries.
                std::vector<char> dest(ARO_PRINT_FILE_NAME_SIZE + 2, '#');
                m.printFileName(dest.data() + 1);
                out.push_back(dest.front() == '#' && dest.back() == '#' ? "fenced" : "overrun");
                // The name itself may hold line breaks: only where it lies is recorded.
                const std::string text = dest.data() + 1;
                out.push_back(text.rfind(box.outDir() + "/", 0) == 0 && text.size() < 260
                                  ? "in the output folder"
                                  : "elsewhere: " + std::to_string(text.size()) + " bytes");
                out.push_back(
                    std::to_string(PrintPage(m, MonoPage(64, 8, 5), 64, 8, 8, kMono).back()));
                m.endDoc();
            });
            ASSERT_EQ(job.exitCode, 0) << job.standardError;
            ASSERT_EQ(job.outputs.size(), 4u);
            EXPECT_EQ(job.outputs[0], "1");
            EXPECT_EQ(job.outputs[1], "fenced");
            // The text file's name lies in the output folder, within a path.
            EXPECT_EQ(job.outputs[2], "in the output folder");
            EXPECT_EQ(job.outputs[3], "0");
            auto files = soak::FolderEntries(box.outDir());
            ASSERT_EQ(files.size(), 1u);
            EXPECT_EQ(files[0].substr(files[0].size() - 4), ".TIF");
            // Nothing was created beside the output folder.
            auto around = soak::FolderEntries(box.root());
            EXPECT_EQ(around,
                      (std::vector<std::string>{"out", "stderr.txt", "system", "tmp", "user.reg"}));
        }
    }
}

}  // namespace
}  // namespace aro::itest
