#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "AroPrinterCfg.h"
#include "TestSupport.h"
#include "common/TiffInspect.h"
#include "config/DiagnosticLog.h"
#include "exits/Exits.h"
#include "fake/FakeAutomation.h"
#include "job/JobContext.h"

namespace aro {
namespace {

using test::ScopedFakePlatform;
using test::SetMachine;
using test::SetUser;
using Lines = std::vector<std::string>;

constexpr uint32_t kWidth = 64;  // 8 bytes a row, no padding

class JobLifecycleTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetUser(*fake, "AlternateKey", "Software\\Out");
        fake->SetString(Hive::CurrentUser, "Software\\Out", "Dovurezazuv", folder.path());
        fake->now = LocalTime{2026, 12, 7, 10, 0, 0, 0};
        fake->clockStepMilliseconds = 0;
    }
    void TearDown() override {
        if (g_job.page.out) EndDocExit();
    }

    // One monochrome page of rows rows in bands of bandRows, all white but
    // for a black first pixel in every row.
    int32_t PrintMonoPage(uint32_t rows, uint32_t bandRows = 0) {
        if (!bandRows) bandRows = rows;
        StartPageExit();
        int32_t last = 0;
        for (uint32_t top = 0; top < rows; top += bandRows) {
            uint32_t n = std::min(bandRows, rows - top);
            std::vector<unsigned char> band(n * 8, 0xFF);
            for (size_t i = 0; i < band.size(); i += 8) band[i] = 0x7F;  // a black first pixel
            last = EndPageExit(band.data(), n, kWidth, 1, 200, top + n < rows ? 1 : 0);
        }
        return last;
    }

    std::vector<std::string> TiffFiles() const {
        std::vector<std::string> files;
        std::string command = "ls '" + folder.path() + "' 2>/dev/null";
        FILE* ls = popen(command.c_str(), "r");
        char line[512];
        while (ls && std::fgets(line, sizeof line, ls)) {
            std::string name(line);
            name.pop_back();
            if (name.size() > 4 && name.substr(name.size() - 4) == ".TIF") files.push_back(name);
        }
        if (ls) pclose(ls);
        return files;
    }

    size_t PageCount(const std::string& path) const {
        std::vector<test::TiffPage> pages;
        return test::ReadTiffPages(path, &pages) ? pages.size() : 0;
    }

    std::vector<std::string> MessageTexts() const {
        std::vector<std::string> texts;
        for (const auto& m : fake->messages) texts.push_back(m.text);
        return texts;
    }

    static void WriteText(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::string ReadText(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    test::TempFolder folder;
    ScopedFakePlatform fake;
};

TEST_F(JobLifecycleTest, LogOfAOneBandJob) {
    SetUser(*fake, "Debug", "1");
    StartDocExit();
    std::string path = g_job.names.path;
    PrintMonoPage(10);
    EndDocExit();
    const std::string& dir = folder.path();
    Lines expected = {"Start debug mode",
                      "In function startDocExit",
                      "Call function WriteVersionNumber",
                      "In function WriteVersionNumber",
                      "No registry entry, MultiPageImage = true",
                      "Call function CheckForUser",
                      "In function CheckForUser",
                      "function GetUserName ok, user = alice",
                      "Check for SYSTEM account",
                      "User is not SYSTEM -> return true",
                      "Call function GetPrinterTempDirectory",
                      "In function GetPrinterTempDirectory",
                      "AlternateKey found: " + dir,
                      "GetPrinterTempDirectory=" + dir,
                      "Call function GetFileName",
                      "In function GetFileName",
                      "Set default entry for FileName",
                      "Build time stamp for default file name",
                      "Exit function GetFileName without anything done",
                      "FileName=AROPrint_20261207100000000",
                      "g_szPath=" + path,
                      "End function startDocExit",
                      "In function startPageExit",
                      "In function EndPageExit",
                      "This is the first page.",
                      "Open to write " + path,
                      "Select bitmap format.",
                      "Function AppendTiffG4",
                      "Height=10, Width=64",
                      "First band of the page",
                      "TIFFTAG_RESOLUTIONUNIT=2",
                      "TIFFTAG_XRESOLUTION=200",
                      "TIFFTAG_YRESOLUTION=200",
                      "TIFFTAG_PHOTOMETRIC=0",
                      "TIFFTAG_PLANARCONFIG=1",
                      "TIFFTAG_ROWSPERSTRIP=10",
                      "Start at the beginning of the image data.",
                      "Lines written",
                      "No Banding, return.",
                      "Quit function EndPageExit.",
                      "No banding",
                      "In function EndDocExit.",
                      "Close tiff file.",
                      "g_out = 0",
                      "Build grp file name.",
                      "Check for ShellExecuteBeforeCheckin",
                      "Check PrintToArchive.",
                      "Only print to the printer temp directory.",
                      "Check for ShellExecuteAfter",
                      "End Print Job"};
    EXPECT_EQ(test::LogLines(*fake), expected);
    EXPECT_EQ(path, dir + kPathSeparatorText + "AROPrint_20261207100000000.TIF");
    ASSERT_EQ(fake->messages.size(), 1u);
    EXPECT_EQ(fake->messages[0].text,
              "ARO Printer debug mode, file name: /tmp/fake/AroPrinter.log");
    EXPECT_EQ(fake->messages[0].flags, kMessageBoxOk | kMessageBoxTopMost);
    EXPECT_EQ(PageCount(path), 1u);
}

TEST_F(JobLifecycleTest, DebugOtherThanOneKeepsTheLogOff) {
    SetUser(*fake, "Debug", "1 ");
    StartDocExit();
    EXPECT_FALSE(g_log.on);
    EXPECT_TRUE(fake->messages.empty());
}

TEST_F(JobLifecycleTest, SecondStartDocExitOfALoadChangesNothing) {
    SetUser(*fake, "ShellExecuteBefore", "prog");
    StartDocExit();
    std::string path = g_job.names.path;
    SetUser(*fake, "PrintMultiPageImage", "0");
    fake->now.second = 30;
    StartDocExit();
    EXPECT_EQ(g_job.names.path, path);
    EXPECT_TRUE(g_job.settings.multiPage);
    EXPECT_EQ(fake->programs.size(), 1u);
}

// The .grp file of a document without bands still names the file and its
// count of no pages; only a single-page job's unused last name gets none.
TEST_F(JobLifecycleTest, DocumentWithoutBandsCreatesNoFileButItsGroupFile) {
    SetUser(*fake, "PrintGrpFile", "1");
    StartDocExit();
    const std::string path = g_job.names.path;
    EndDocExit();
    EXPECT_TRUE(TiffFiles().empty());
    ASSERT_EQ(fake->profileWrites.size(), 2u);
    EXPECT_EQ(fake->profileWrites[0].value, path);
    EXPECT_EQ(fake->profileWrites[1].value, "0");
}

// A document that never reached endDocExit leaves its log open; the next
// setup closes it (its lines reach the file) even when it logs nothing.
TEST_F(JobLifecycleTest, UnfinishedDocumentsLogIsClosedByTheNextSetup) {
    SetUser(*fake, "Debug", "1");
    StartDiagnosticLog();
    ASSERT_NE(g_log.file, nullptr);
    SetUser(*fake, "Debug", "0");
    StartDiagnosticLog();
    EXPECT_EQ(g_log.file, nullptr);
    EXPECT_NE(fake->LogText().find("Start debug mode"), std::string::npos);
}

TEST_F(JobLifecycleTest, PageLimitKeepsTheFirstPages) {
    SetUser(*fake, "PrintGrpFile", "1");
    SetMachine(*fake, "MaxPagesCount", "2");
    StartDocExit();
    std::string path = g_job.names.path;
    for (int p = 0; p < 5; ++p) PrintMonoPage(16, 8);
    EndDocExit();
    EXPECT_EQ(PageCount(path), 2u);
    ASSERT_EQ(fake->profileWrites.size(), 2u);
    std::string grp = path.substr(0, path.size() - 4) + ".grp";
    EXPECT_EQ(fake->profileWrites[0].section, "Print Page Appended");
    EXPECT_EQ(fake->profileWrites[0].key, "Image File Name");
    EXPECT_EQ(fake->profileWrites[0].value, path);
    EXPECT_EQ(fake->profileWrites[0].file, grp);
    EXPECT_EQ(fake->profileWrites[1].section, "Zavor Printer");
    EXPECT_EQ(fake->profileWrites[1].key, "Total Page Number");
    EXPECT_EQ(fake->profileWrites[1].value, "2");
}

// Limits beyond 32 bits mean no limit, as a 32-bit conversion gives.
TEST_F(JobLifecycleTest, PageLimitBeyondThirtyTwoBitsKeepsEveryPage) {
    SetUser(*fake, "MaxPagesCount", "4294967297");
    StartDocExit();
    std::string path = g_job.names.path;
    for (int p = 0; p < 3; ++p) PrintMonoPage(8);
    EndDocExit();
    EXPECT_EQ(PageCount(path), 3u);
}

TEST_F(JobLifecycleTest, PageLimitZeroCreatesAnEmptyFile) {
    SetUser(*fake, "MaxPagesCount", "0");
    StartDocExit();
    std::string path = g_job.names.path;
    PrintMonoPage(8);
    EndDocExit();
    struct stat st;
    EXPECT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(PageCount(path), 0u);
}

TEST_F(JobLifecycleTest, CutLinesShortenEveryMonochromeBand) {
    SetUser(*fake, "CutLines", "10");
    StartDocExit();
    std::string path = g_job.names.path;
    PrintMonoPage(100, 50);  // two bands of 50 rows: 40 rows each
    EndDocExit();
    std::vector<test::TiffPage> pages;
    ASSERT_TRUE(test::ReadTiffPages(path, &pages));
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].height, 80u);
    EXPECT_EQ(pages[0].rowsPerStrip, 40u);
}

TEST_F(JobLifecycleTest, CutLinesRules) {
    struct Case {
        const char* value;
        uint32_t rows;  // of a 20-row band
    } cases[] = {{"", 20}, {"5", 20}, {"05", 15}, {"-5", 20}, {"20", 0}, {"300", 0}};
    for (const Case& c : cases) {
        ResetJobContext();
        SetUp();
        SetUser(*fake, "CutLines", c.value);
        fake->now.milliseconds++;
        StartDocExit();
        std::string path = g_job.names.path;
        StartPageExit();
        std::vector<unsigned char> band(20 * 8, 0xFF);
        EndPageExit(band.data(), 20, kWidth, 1, 200, 1);
        EXPECT_EQ(g_job.page.imageHeight, c.rows) << c.value;
        EndPageExit(band.data(), 0, kWidth, 1, 200, 0);
        EndDocExit();
    }
}

TEST_F(JobLifecycleTest, SinglePageModeMakesAFilePerPage) {
    SetUser(*fake, "PrintMultiPageImage", "0");
    SetUser(*fake, "PrintGrpFile", "1");
    SetUser(*fake, "ShellExecuteBefore", "before");
    SetUser(*fake, "ShellExecuteAfter", "after");
    fake->clockStepMilliseconds = 7;
    StartDocExit();
    for (int p = 0; p < 3; ++p) PrintMonoPage(8);
    EndDocExit();
    auto files = TiffFiles();
    ASSERT_EQ(files.size(), 3u);
    for (const auto& f : files) EXPECT_EQ(PageCount(folder.path() + "/" + f), 1u) << f;
    // A .grp for each page's file, none for the file prepared after the last page.
    EXPECT_EQ(fake->profileWrites.size(), 6u);
    size_t before = std::count_if(fake->programs.begin(), fake->programs.end(),
                                  [](const auto& p) { return p.program == "before"; });
    size_t after = std::count_if(fake->programs.begin(), fake->programs.end(),
                                 [](const auto& p) { return p.program == "after"; });
    EXPECT_EQ(before, 4u);  // the first setup and three restarts
    EXPECT_EQ(after, 4u);   // three pages and the host's final endDocExit
}

TEST_F(JobLifecycleTest, SinglePageNamesNeverReplaceAnEarlierPage) {
    SetUser(*fake, "PrintMultiPageImage", "0");
    SetUser(*fake, "FileNameMode", "2");
    PrintJobName("Letter");
    StartDocExit();
    for (int p = 0; p < 3; ++p) PrintMonoPage(8);
    EndDocExit();
    auto files = TiffFiles();
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"Letter.TIF", "Letter_2.TIF", "Letter_3.TIF"}));
}

// A deep output folder leaves little room for the name: the job name part
// gives way, the time stamp stays, so two such jobs get two files.
TEST_F(JobLifecycleTest, NameInADeepFolderKeepsItsTimeStamp) {
    const std::string deep = folder.path() + kPathSeparatorText + std::string(200, 'd');
    ASSERT_EQ(mkdir(deep.c_str(), 0700), 0);
    fake->SetString(Hive::CurrentUser, "Software\\Out", "Dovurezazuv", deep);
    SetUser(*fake, "FileNameMode", "3");
    PrintJobName(std::string(100, 'n').c_str());
    StartDocExit();
    const std::string path = g_job.names.path;
    EXPECT_EQ(path.size(), 259u);
    EXPECT_EQ(path.substr(path.size() - 22), "_20261207100000000.TIF");
    EXPECT_EQ(PrintMonoPage(8), 0);
    EndDocExit();
    EXPECT_EQ(PageCount(path), 1u);
}

TEST_F(JobLifecycleTest, SinglePageNamesThatFillThePathStayApart) {
    SetUser(*fake, "PrintMultiPageImage", "0");
    SetUser(*fake, "FileNameMode", "2");
    PrintJobName(std::string(300, 'L').c_str());
    StartDocExit();
    for (int p = 0; p < 3; ++p) PrintMonoPage(8);
    EndDocExit();
    auto files = TiffFiles();
    std::sort(files.begin(), files.end());
    ASSERT_EQ(files.size(), 3u);
    // Every name fills the path; the later ones end in their suffix.
    for (const auto& f : files) EXPECT_EQ(folder.path().size() + 1 + f.size(), 259u) << f;
    EXPECT_EQ(files[1].substr(files[1].size() - 6), "_2.TIF");
    EXPECT_EQ(files[2].substr(files[2].size() - 6), "_3.TIF");
}

// Another job that stamped the same millisecond already has the file: this
// job takes the next free name, and its .grp and .TXT names follow. A name
// without a stamp replaces the earlier file, as it always did.
TEST_F(JobLifecycleTest, StampedNameTakenByAnotherJobGetsTheNextFreeName) {
    SetUser(*fake, "PrintGrpFile", "1");
    SetUser(*fake, "PrintTxtFile", "1");
    StartDocExit();
    const std::string stem = g_job.names.fileName;
    const std::string base = folder.path() + kPathSeparatorText + stem;
    for (const char* taken : {".TIF", "_2.TIF"}) WriteText(base + taken, "another job");
    EXPECT_EQ(PrintMonoPage(8), 0);
    EXPECT_EQ(std::string(g_job.names.fileName), stem + "_3");
    char dest[ARO_PRINT_FILE_NAME_SIZE];
    GetPrintFileName(dest);
    EXPECT_EQ(std::string(dest), base + "_3.TXT");
    EndDocExit();
    EXPECT_EQ(ReadText(base + ".TIF"), "another job");
    EXPECT_EQ(ReadText(base + "_2.TIF"), "another job");
    EXPECT_EQ(PageCount(base + "_3.TIF"), 1u);
    ASSERT_EQ(fake->profileWrites.size(), 2u);
    EXPECT_EQ(fake->profileWrites[0].file, base + "_3.grp");
    EXPECT_EQ(fake->profileWrites[0].value, base + "_3.TIF");

    SetUser(*fake, "FileNameMode", "2");
    PrintJobName("Letter");
    const std::string letter = folder.path() + kPathSeparatorText + "Letter.TIF";
    WriteText(letter, "an earlier job");
    g_job.phase.setupPending = true;
    StartDocExit();
    EXPECT_EQ(PrintMonoPage(8), 0);
    EndDocExit();
    EXPECT_EQ(PageCount(letter), 1u);
    EXPECT_FALSE(fake->PathExists((folder.path() + kPathSeparatorText + "Letter_2.TIF").c_str()));
}

TEST_F(JobLifecycleTest, FileThatCannotBeCreatedIsRetriedWithEveryBand) {
    fake->SetString(Hive::CurrentUser, "Software\\Out", "Dovurezazuv", folder.path() + "/missing");
    StartDocExit();
    StartPageExit();
    std::vector<unsigned char> band(8 * 8, 0xFF);
    EXPECT_EQ(EndPageExit(band.data(), 8, kWidth, 1, 200, 1), -1);
    EXPECT_EQ(EndPageExit(band.data(), 8, kWidth, 1, 200, 0), -1);
    std::string expected = "Cannot open TIFF file in the directory \"" + folder.path() +
                           "/missing\".\n\nCheck to make sure this directory exists and to have "
                           "enough rights.";
    EXPECT_EQ(MessageTexts(), (std::vector<std::string>{expected, expected}));
    ASSERT_EQ(mkdir((folder.path() + "/missing").c_str(), 0700), 0);
    StartPageExit();
    EXPECT_EQ(EndPageExit(band.data(), 8, kWidth, 1, 200, 0), 0);
    EXPECT_EQ(g_job.page.pageCount, 1);
}

TEST_F(JobLifecycleTest, NoOutputFolderWritesNothingAtTheRoot) {
    fake->SetString(Hive::CurrentUser, "Software\\Out", "Dovurezazuv", "");
    SetUser(*fake, "PrintGrpFile", "1");
    StartDocExit();
    EXPECT_EQ(std::string(g_job.names.path).rfind(std::string(kPathSeparatorText) + "AROPrint_", 0),
              0u);
    StartPageExit();
    std::vector<unsigned char> band(8 * 8, 0xFF);
    EXPECT_EQ(EndPageExit(band.data(), 8, kWidth, 1, 200, 0), -1);
    std::string path = g_job.names.path;
    EndDocExit();
    struct stat st;
    EXPECT_NE(stat(path.c_str(), &st), 0);
    EXPECT_TRUE(fake->profileWrites.empty());
    EXPECT_EQ(MessageTexts().front(), "Print directory not found.");
}

TEST_F(JobLifecycleTest, SystemAccountIsWarnedAndTheJobGoesOn) {
    fake->userName = "SystemAdmin";
    StartDocExit();
    ASSERT_EQ(fake->messages.size(), 1u);
    EXPECT_EQ(fake->messages[0].text,
              "No user account found. Please check the printer properties to send print jobs "
              "directly to the printer.");
    EXPECT_EQ(fake->messages[0].caption, "ARO Printer");
    EXPECT_EQ(fake->messages[0].flags, kMessageBoxOk | kMessageBoxTopMost);
    EXPECT_EQ(PrintMonoPage(8), 0);
}

TEST_F(JobLifecycleTest, UnknownBitmapTypesAreDroppedButEndThePage) {
    SetUser(*fake, "PrintMultiPageImage", "yes");
    StartDocExit();
    StartPageExit();
    std::vector<unsigned char> band(64, 0);
    EndPageExit(band.data(), 8, kWidth, 4, 200, 0);
    EXPECT_TRUE(g_job.phase.setupPending == false);
    EXPECT_TRUE(g_job.phase.documentStart);  // the restart prepared a new document
    EXPECT_EQ(TiffFiles().size(), 1u);
}

TEST_F(JobLifecycleTest, VersionRecordIsWrittenAtEverySetup) {
    fake->systemDirectory = test::Native("/usr/lib/x86_64-linux-gnu");
    fake->fileVersions[fake->systemDirectory + kPathSeparatorText + kModuleFileName] = {2, 1, 7,
                                                                                        65535};
    SetUser(*fake, "Debug", "1");
    StartDocExit();
    EXPECT_EQ(fake->GetString(Hive::CurrentUser, "Software\\ARO Digital\\Versions",
                              "ARO Printer DLL (AroPrinterCfg.dll)"),
              "2.1.7.65535 @ " + fake->systemDirectory);
    auto lines = test::LogLines(*fake);
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "Exit function WriteVersionNumber =2.1.7.65535 @ " + fake->systemDirectory),
              lines.end());
}

TEST_F(JobLifecycleTest, ModuleElsewhereStoresNoVersion) {
    StartDocExit();
    EXPECT_EQ(fake->GetString(Hive::CurrentUser, "Software\\ARO Digital\\Versions",
                              "ARO Printer DLL (AroPrinterCfg.dll)"),
              "<absent>");
}

TEST_F(JobLifecycleTest, HooksAtTheirPoints) {
    SetUser(*fake, "ShellExecuteBefore", "b");  // one character: the shell opens the parameter
    SetUser(*fake, "ShellExecuteBeforeParam", "/doc/form.pdf");
    SetUser(*fake, "ShellExecuteBeforeCheckin", "checkin");
    SetUser(*fake, "ShellExecuteBeforeCheckinParam", "a b");
    SetUser(*fake, "ShellExecuteAfter", "after");
    StartDocExit();
    EXPECT_EQ(fake->shellOpens, (std::vector<std::string>{"/doc/form.pdf"}));
    EXPECT_TRUE(fake->programs.empty());
    EndDocExit();
    ASSERT_EQ(fake->programs.size(), 2u);
    EXPECT_EQ(fake->programs[0].program, "checkin");
    EXPECT_EQ(fake->programs[0].parameter, "a b");
    EXPECT_FALSE(fake->programs[0].wait);
    EXPECT_EQ(fake->programs[1].program, "after");
    EXPECT_EQ(fake->programs[1].parameter, "");
}

TEST_F(JobLifecycleTest, BeforeHookIsWaitedFor) {
    SetUser(*fake, "ShellExecuteBefore", "prepare");
    SetUser(*fake, "ShellExecuteBeforeParam", "x");
    SetUser(*fake, "Debug", "1");
    StartDocExit();
    ASSERT_EQ(fake->programs.size(), 1u);
    EXPECT_TRUE(fake->programs[0].wait);
    auto lines = test::LogLines(*fake);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Exec: prepare x"), lines.end());
}

TEST_F(JobLifecycleTest, PrintFileNameAndJobName) {
    char dest[ARO_PRINT_FILE_NAME_SIZE];
    PrintJobName("Re: <draft> a/b?c\\d|e*f\"g");
    EXPECT_STREQ(g_job.names.jobName, "Re draft abcdefg");
    PrintJobName("");
    EXPECT_STREQ(g_job.names.jobName, "");
    PrintJobName(std::string(400, 'n').c_str());
    EXPECT_EQ(std::strlen(g_job.names.jobName), 259u);

    StartDocExit();
    EXPECT_EQ(GetPrintFileName(dest), 1);
    EXPECT_STREQ(dest, "");
    EndDocExit();
    g_job.phase.setupPending = true;
    SetMachine(*fake, "PrintTxtFile", "1");
    StartDocExit();
    GetPrintFileName(dest);
    EXPECT_EQ(std::string(dest),
              folder.path() + kPathSeparatorText + g_job.names.fileName + ".TXT");
}

// Whether text is well-formed UTF-8: no sequence cut short or stray.
bool IsUtf8(const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        const size_t n = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : 0;
        if (n == 0 || i + n > text.size()) return false;
        for (size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        i += n;
    }
    return true;
}

// Names cut to their field or to the path are cut between characters and
// keep their stamp; job names lose control characters, and bytes above 127
// stay.
TEST_F(JobLifecycleTest, NamesAreCutBetweenCharactersAndLoseControlCharacters) {
    PrintJobName("Scan\nX\t\r.ps\xE6\x97\xA5");
    EXPECT_STREQ(g_job.names.jobName,
                 "Scan"
                 "X.ps\xE6\x97\xA5");
    std::string japanese;
    for (int i = 0; i < 100; ++i) japanese += "\xE6\x97\xA5";  // one CJK character each
    PrintJobName(japanese.c_str());
    EXPECT_EQ(std::string(g_job.names.jobName), japanese.substr(0, 258));

    SetUser(*fake, "PrintGrpFile", "1");
    for (size_t characters : {70, 100}) {
        PrintJobName(japanese.substr(0, 3 * characters).c_str());
        for (const char* rule : {"3", "2"}) {
            // Three depths of folder put the cut on every byte of a character.
            for (size_t depth = 40; depth < 43; ++depth) {
                const std::string deep =
                    folder.path() + kPathSeparatorText + std::string(depth, 'd');
                mkdir(deep.c_str(), 0700);
                fake->SetString(Hive::CurrentUser, "Software\\Out", "Dovurezazuv", deep);
                SetUser(*fake, "FileNameMode", rule);
                fake->profileWrites.clear();
                g_job.phase.setupPending = true;
                StartDocExit();
                const std::string name = g_job.names.fileName;
                EndDocExit();
                SCOPED_TRACE(std::string("rule ") + rule + ", " + name);
                EXPECT_TRUE(IsUtf8(name));
                EXPECT_TRUE(IsUtf8(g_job.names.docName));
                ASSERT_EQ(fake->profileWrites.size(), 2u);
                EXPECT_TRUE(IsUtf8(fake->profileWrites[0].value));
                if (TextEquals(rule, "3")) {
                    EXPECT_EQ(name.substr(name.size() - 18), "_20261207100000000");
                    EXPECT_LT(name.size(), 3 * characters);
                }
            }
        }
    }
}

TEST_F(JobLifecycleTest, DialogProcedure) {
    EXPECT_EQ(DialogProcedure(nullptr, 0x0110, 0, 0), 1);
    EXPECT_EQ(DialogProcedure(nullptr, 0x0111, 1, 0), 0);
    EXPECT_EQ(DialogProcedure(nullptr, 0x0002, 0, 0), 0);
}

TEST_F(JobLifecycleTest, SecondDocumentOfALoadNeverTouchesTheReleasedBackground) {
    SetUser(*fake, "PrintBackgroundImage", "1");
    StartDocExit();
    PrintMonoPage(8);
    EndDocExit();
    EXPECT_EQ(g_job.page.background, nullptr);
    StartDocExit();
    StartPageExit();
    std::vector<unsigned char> band(64, 0xFF);
    EXPECT_EQ(EndPageExit(band.data(), 8, kWidth, 1, 200, 1), -1);
    EXPECT_EQ(EndPageExit(band.data(), 8, kWidth, 5, 200, 0), -1);
}

// ---- archive hand-offs ----

class HandOffTest : public JobLifecycleTest {
protected:
    void SetUp() override {
        JobLifecycleTest::SetUp();
        mkdir((folder.path() + "/PrintToArchive").c_str(), 0700);
    }
    void PrintOnePage() {
        StartDocExit();
        path = g_job.names.path;
        PrintMonoPage(8);
        EndDocExit();
    }
    bool Exists(const std::string& p) const {
        struct stat st;
        return stat(p.c_str(), &st) == 0;
    }
    test::FakeAutomationServer server;
    std::string path;
};

TEST_F(HandOffTest, ClassicClientChecksInAndTheFilesAreDeleted) {
    SetUser(*fake, "PrintToArchive", "1");
    SetUser(*fake, "DocumentShortName", "Short");
    SetUser(*fake, "Debug", "1");
    test::ServeAutomation(*fake, server, {"AroArcConnect.App"});
    PrintOnePage();
    EXPECT_EQ(server.members(), (Lines{"DoCheckInOut2", "EndOleServer"}));
    ASSERT_EQ(server.calls[0].arguments.size(), 3u);
    EXPECT_EQ(server.calls[0].arguments[0].text, "ARO Printer");
    EXPECT_EQ(server.calls[0].arguments[1].text, "Short");
    EXPECT_EQ(server.calls[0].arguments[2].text, path);
    EXPECT_EQ(server.calls[0].kind, kDispatchMethod);
    EXPECT_EQ(server.calls[0].existingFiles, Lines{path});
    EXPECT_EQ(server.released, 1);
    EXPECT_FALSE(Exists(path));
    auto lines = test::LogLines(*fake);
    std::string grp = path.substr(0, path.size() - 4) + ".grp";
    auto from = std::find(lines.begin(), lines.end(), "Call function PrintToArchive.");
    ASSERT_NE(from, lines.end());
    EXPECT_EQ(Lines(from, from + 9),
              (Lines{"Call function PrintToArchive.", "Multipage printing -> PrintToArchive",
                     "Call ole function DoCheckInOut2.", "End OleServer", "DeleteFile = " + path,
                     "DeleteFile = " + grp, "Quit function PrintToArchive",
                     "Back from function PrintToArchive.", "Check for ShellExecuteAfter"}));
}

TEST_F(HandOffTest, ClassicClientGetsTheFileNameWhenAskedTo) {
    SetUser(*fake, "PrintToArchive", "1");
    SetUser(*fake, "ShortNameToFileName", "1");
    test::ServeAutomation(*fake, server, {"AroArcConnect.App"});
    PrintOnePage();
    EXPECT_EQ(server.calls[0].arguments[1].text, std::string(g_job.names.docName));
    EXPECT_EQ(std::string(g_job.names.docName).rfind("AROPrint_", 0), 0u);
}

TEST_F(HandOffTest, FailedCheckInSkipsEndOleServerAndStillDeletes) {
    SetUser(*fake, "PrintToArchive", "1");
    server.raiseServerException = {"DoCheckInOut2"};
    test::ServeAutomation(*fake, server, {"AroArcConnect.App"});
    PrintOnePage();
    EXPECT_EQ(server.members(), (Lines{"DoCheckInOut2"}));
    EXPECT_EQ(server.calls[0].existingFiles, Lines{path});
    EXPECT_EQ(server.released, 1);
    EXPECT_FALSE(Exists(path));
    EXPECT_TRUE(fake->messages.empty());
}

// The lines logged between looking a member up and calling it still
// appear; only the call itself fails.
TEST_F(HandOffTest, UnknownMemberIsAnAutomationErrorNotAnotherCall) {
    SetUser(*fake, "PrintToArchive", "1");
    SetUser(*fake, "Debug", "1");
    server.known.erase("DoCheckInOut2");
    test::ServeAutomation(*fake, server, {"AroArcConnect.App"});
    PrintOnePage();
    EXPECT_TRUE(server.calls.empty());
    EXPECT_EQ(server.released, 1);
    EXPECT_FALSE(path.empty());
    EXPECT_FALSE(Exists(path));
    auto lines = test::LogLines(*fake);
    auto from = std::find(lines.begin(), lines.end(), "Call ole function DoCheckInOut2.");
    ASSERT_NE(from, lines.end());
    EXPECT_EQ(*(from + 1), "DeleteFile = " + path);
}

TEST_F(HandOffTest, UnknownJavaMembersStillLogTheirSteps) {
    SetUser(*fake, "PrintToArchive", "1");
    SetUser(*fake, "IsJavaClient", "1");
    SetUser(*fake, "Debug", "1");
    server.known.erase("getArchiveName");
    server.known.erase("addDocumentFileToArchive");
    test::ServeAutomation(*fake, server, {"jniwrapper.arocomserver"});
    PrintOnePage();
    EXPECT_EQ(server.members(), (Lines{"loginWithDialog", "setShowIndexDialog"}));
    auto lines = test::LogLines(*fake);
    auto from =
        std::find(lines.begin(), lines.end(), "Try to get archive name to check running ARO");
    ASSERT_NE(from, lines.end());
    ASSERT_GE(lines.end() - from, 7);
    EXPECT_EQ(*(from + 1), "Show login dialog");
    EXPECT_EQ(*(from + 2), "return from setShowIndexDialog");
    EXPECT_EQ(*(from + 3), "File: " + path);
    EXPECT_EQ((from + 4)->rfind("ISO date: ", 0), 0u);
    EXPECT_EQ(*(from + 5), "Show aro treeview");
    EXPECT_EQ(*(from + 6), "DeleteFile = " + path);
    EXPECT_FALSE(Exists(path));
}

TEST_F(HandOffTest, ClassicClientMissingKeepsTheFile) {
    SetUser(*fake, "PrintToArchive", "1");
    PrintOnePage();
    ASSERT_EQ(fake->messages.size(), 1u);
    EXPECT_EQ(fake->messages[0].text,
              "Error: Ole-Server AroArcConnect.exe not registered.\n\nPlease run "
              "AroArcConnect.exe once. This file is located in the ARO client directory.\nIn case "
              "the file is not there you have to install the latest macro update.");
    EXPECT_EQ(fake->messages[0].caption, "ARO Printer");
    EXPECT_TRUE(Exists(path));
}

TEST_F(HandOffTest, ArchiveModeNeedsExactlyOne) {
    SetUser(*fake, "PrintToArchive", "1 ");
    test::ServeAutomation(*fake, server, {"AroArcConnect.App"});
    PrintOnePage();
    EXPECT_TRUE(server.calls.empty());
    EXPECT_TRUE(Exists(path));
}

TEST_F(HandOffTest, JavaClientFilesIntoTheArchive) {
    SetUser(*fake, "PrintToArchive", "1");
    SetMachine(*fake, "IsJavaClient", "1");
    fake->now = LocalTime{2010, 3, 5, 9, 7, 2, 0};
    test::ServeAutomation(*fake, server, {"jniwrapper.arocomserver"});
    PrintOnePage();
    EXPECT_EQ(server.members(),
              (Lines{"getArchiveName", "setShowIndexDialog", "addDocumentFileToArchive"}));
    EXPECT_EQ(server.calls[0].kind, kDispatchMethod | kDispatchPropertyGet);
    EXPECT_TRUE(server.calls[1].arguments[0].flag);
    const auto& add = server.calls[2].arguments;
    ASSERT_EQ(add.size(), 3u);
    EXPECT_EQ(add[0].text, path);
    EXPECT_EQ(add[1].text, "ARO Print");
    EXPECT_EQ(add[2].text, "20100305090702");
    EXPECT_EQ(server.calls[2].existingFiles, Lines{path});
    EXPECT_FALSE(Exists(path));
}

TEST_F(HandOffTest, JavaClientWithoutArchiveNameAsksForLogin) {
    SetUser(*fake, "PrintToArchive", "1");
    SetUser(*fake, "IsJavaClient", "1");
    SetUser(*fake, "Debug", "1");
    server.raiseAutomationError = {"getArchiveName"};
    test::ServeAutomation(*fake, server, {"jniwrapper.arocomserver"});
    PrintOnePage();
    EXPECT_EQ(server.members(), (Lines{"getArchiveName", "loginWithDialog", "setShowIndexDialog",
                                       "addDocumentFileToArchive"}));
    auto lines = test::LogLines(*fake);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Show login dialog"), lines.end());
}

TEST_F(HandOffTest, JavaInTrayKeepsTheFile) {
    SetUser(*fake, "IsJavaClient", "1");
    SetUser(*fake, "Debug", "1");
    test::ServeAutomation(*fake, server, {"jniwrapper.arocomserver"});
    PrintOnePage();
    EXPECT_EQ(server.members(),
              (Lines{"getArchiveName", "setShowIndexDialog", "addDocumentFileToIntray"}));
    EXPECT_EQ(server.calls[2].arguments[0].text, path);
    EXPECT_TRUE(Exists(path));
    auto lines = test::LogLines(*fake);
    auto from = std::find(lines.begin(), lines.end(), "Try to get Java OLE server");
    ASSERT_NE(from, lines.end());
    EXPECT_EQ(Lines(from, from + 5),
              (Lines{"Try to get Java OLE server", "Try to get archive name to check running ARO",
                     "Archive name found: Main archive", "return from setShowIndexDialog",
                     "addDocumentFileToIntray"}));
}

TEST_F(HandOffTest, JavaClientValueZeroInTheUserHiveWins) {
    SetUser(*fake, "IsJavaClient", "0");
    SetMachine(*fake, "IsJavaClient", "1");
    test::ServeAutomation(*fake, server, {"jniwrapper.arocomserver"});
    PrintOnePage();
    EXPECT_TRUE(server.calls.empty());
}

TEST_F(HandOffTest, JavaServerMissing) {
    SetUser(*fake, "IsJavaClient", "1");
    PrintOnePage();
    ASSERT_EQ(fake->messages.size(), 1u);
    EXPECT_EQ(fake->messages[0].text, "Error: Ole-Server not registered.");
    EXPECT_EQ(fake->messages[0].caption, "ARO Pdf Printer");
}

TEST_F(HandOffTest, SinglePageArchiveHandsOffEachPageOnly) {
    SetUser(*fake, "PrintToArchive", "1");
    SetUser(*fake, "PrintMultiPageImage", "0");
    fake->clockStepMilliseconds = 3;
    test::ServeAutomation(*fake, server, {"AroArcConnect.App"});
    StartDocExit();
    PrintMonoPage(8);
    PrintMonoPage(8);
    EndDocExit();
    EXPECT_EQ(server.members(),
              (Lines{"DoCheckInOut2", "EndOleServer", "DoCheckInOut2", "EndOleServer"}));
    EXPECT_TRUE(TiffFiles().empty());
}

}  // namespace
}  // namespace aro
