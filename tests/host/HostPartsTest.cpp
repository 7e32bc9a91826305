// The small parts of aro-print: input recognition, where the module is
// looked for, pdfinfo's page count, the job's tally and summary.
#include <gtest/gtest.h>

#include "InputType.h"
#include "JobOutcome.h"
#include "ModuleLocation.h"
#include "PdfPageCount.h"
#include "Progress.h"

namespace aro::host {
namespace {

InputType Detect(const std::string& head) {
    return DetectInputType(reinterpret_cast<const unsigned char*>(head.data()), head.size());
}

TEST(HostInputTypeTest, RecognisedByContent) {
    EXPECT_EQ(Detect("%PDF-1.7\n"), InputType::Pdf);
    EXPECT_EQ(Detect("junk before\n%PDF-1.4\n"), InputType::Pdf);
    EXPECT_EQ(Detect("%!PS-Adobe-3.0\n"), InputType::PostScript);
    EXPECT_EQ(Detect("\xC5\xD0\xD3\xC6 rest"), InputType::PostScript);
    EXPECT_EQ(Detect("P4\n1 1\n"), InputType::Pnm);
    EXPECT_EQ(Detect("P6 1 1 255 "), InputType::Pnm);
    EXPECT_EQ(Detect("P5#c\n"), InputType::Pnm);
    EXPECT_EQ(Detect(std::string("II*\0", 4)), InputType::Tiff);
    EXPECT_EQ(Detect(std::string("MM\0*", 4)), InputType::Tiff);
    EXPECT_EQ(Detect(std::string("II+\0", 4)), InputType::Tiff);
}

TEST(HostInputTypeTest, LookalikesAreUnknown) {
    for (const std::string& head :
         {std::string("P1\n1 1\n0"), std::string("P45"), std::string("P4"), std::string("%PD"),
          std::string(""), std::string("II*"), std::string("\x89PNG\r\n")})
        EXPECT_EQ(Detect(head), InputType::Unknown) << head;
}

TEST(HostModuleLocationTest, InstalledLibraryFoldersFirstThenTheProgramsOwn) {
    EXPECT_EQ(ModuleCandidates("/usr/bin", "x86_64-linux-gnu"),
              (std::vector<std::string>{"/usr/bin/../lib/x86_64-linux-gnu/libAroPrinterCfg.so",
                                        "/usr/bin/../lib/libAroPrinterCfg.so",
                                        "/usr/bin/libAroPrinterCfg.so"}));
    EXPECT_EQ(ModuleCandidates("/opt/aro/bin", "").size(), 2u);
}

TEST(HostPdfPageCountTest, ReadsThePagesLine) {
    EXPECT_EQ(ParsePdfInfoPages("Title: x\nPages:          12\nEncrypted: no\n"), 12u);
    EXPECT_FALSE(ParsePdfInfoPages("Title: Pages: 3\n"));
    EXPECT_FALSE(ParsePdfInfoPages(""));
}

TEST(HostJobOutcomeTest, TalliesNonZeroStatusesAndSetsTheExitCode) {
    JobOutcome outcome;
    outcome.pages = 2, outcome.bands = 5;
    for (int status : {0, -1, 0, -1, 7}) outcome.CountStatus(status);
    EXPECT_EQ(FormatSummary("doc.pdf", outcome),
              "doc.pdf: 2 page(s), 5 band(s), statuses: -1 x2, 7 x1");
    EXPECT_EQ(ExitCodeOf(outcome), 1);

    JobOutcome clean;
    clean.CountStatus(0);
    clean.CountStatus(3);  // a positive answer is listed but is no failure
    EXPECT_EQ(ExitCodeOf(clean), 0);
    std::snprintf(clean.textFile, sizeof clean.textFile, "out/a.TXT");
    clean.result = JobResult::Incomplete;
    EXPECT_EQ(FormatSummary("a", clean),
              "a: 0 page(s), 0 band(s), statuses: 3 x1, text file: out/a.TXT, not completed");
    EXPECT_EQ(ExitCodeOf(clean), 3);
}

TEST(HostJobOutcomeTest, SummaryNamesFilesPagesLeftOutAndBackgroundWarnings) {
    JobOutcome outcome;
    outcome.pages = 26, outcome.bands = 26;
    outcome.pagesChecked = true, outcome.pagesWritten = 5, outcome.pageLimit = 5;
    outcome.tiffFiles = 1;
    std::snprintf(outcome.firstTiff, sizeof outcome.firstTiff, "out/a.TIF");
    EXPECT_EQ(FormatSummary("m.pdf", outcome),
              "m.pdf: 26 page(s), 26 band(s), statuses: none, page limit 5: pages 6 to 26 not "
              "written, file: out/a.TIF");
    // Pages missing without a limit that explains them, in three files.
    outcome.pageLimit = -1, outcome.pagesWritten = 25, outcome.tiffFiles = 3;
    std::snprintf(outcome.lastTiff, sizeof outcome.lastTiff, "out/c.TIF");
    EXPECT_NE(FormatSummary("m.pdf", outcome)
                  .find(", page 26 not written, 3 files: out/a.TIF ... out/c.TIF"),
              std::string::npos);

    JobOutcome background;
    background.CountStatus(-2), background.CountStatus(-3);
    EXPECT_EQ(ExitCodeOf(background), 1);
    background.statusesAreBackground = true;
    EXPECT_EQ(ExitCodeOf(background), 0);
    EXPECT_NE(FormatSummary("b", background).find("statuses: none, background not used: -2 x1"),
              std::string::npos);
    background.result = JobResult::NoOutputFile;
    EXPECT_EQ(ExitCodeOf(background), 3);
}

TEST(HostJobOutcomeTest, ManyDifferentStatusesOverflowIntoOthers) {
    JobOutcome outcome;
    for (int status = 1; status <= 20; ++status) outcome.CountStatus(-status);
    EXPECT_EQ(outcome.statusKinds, JobOutcome::kTrackedStatuses);
    EXPECT_EQ(outcome.untrackedStatuses, 4u);
    EXPECT_NE(FormatSummary("x", outcome).find(", others x4"), std::string::npos);
}

TEST(HostProgressTest, TotalShownOnlyWhenKnown) {
    EXPECT_EQ(PageProgressText(3, 7), "page 3 of 7");
    EXPECT_EQ(PageProgressText(3, std::nullopt), "page 3");
}

}  // namespace
}  // namespace aro::host
