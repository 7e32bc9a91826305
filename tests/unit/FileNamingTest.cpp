#include <gtest/gtest.h>

#include "TestSupport.h"
#include "config/FileNaming.h"
#include "job/JobContext.h"

namespace aro {
namespace {

using test::ScopedFakePlatform;
using test::SetUser;

class FileNamingTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake->now = LocalTime{2010, 3, 5, 9, 7, 2, 45};
        fake->clockStepMilliseconds = 1;
        CopyText(g_job.names.jobName, "Invoice 42");
    }
    void Name() { GetFileName(g_job.names.fileName); }
    std::string File() const { return g_job.names.fileName; }
    std::string Doc() const { return g_job.names.docName; }

    ScopedFakePlatform fake;
};

TEST_F(FileNamingTest, DefaultIsStemAndSeventeenDigitStamp) {
    Name();
    EXPECT_EQ(File(), "AROPrint_20100305090702045");
    EXPECT_EQ(Doc(), "AROPrint_20100305090702045");
}

TEST_F(FileNamingTest, ArchiveJobGoesToTheSubfolder) {
    SetUser(*fake, "PrintToArchive", "1");
    Name();
    EXPECT_EQ(File(), test::Native("PrintToArchive/AROPrint_20100305090702045"));
    EXPECT_EQ(Doc(), "AROPrint_20100305090702045");
    SetUser(*fake, "PrintToArchive", "2");
    Name();
    EXPECT_EQ(File().rfind("AROPrint_", 0), 0u);
}

TEST_F(FileNamingTest, RuleOneTakesANewStamp) {
    SetUser(*fake, "FileNameMode", "1");
    Name();
    EXPECT_EQ(File(), "AROPrint_20100305090702046");
    EXPECT_EQ(Doc(), "AROPrint_20100305090702046");
}

TEST_F(FileNamingTest, RuleTwoUsesTheJobName) {
    SetUser(*fake, "FileNameMode", "2");
    Name();
    EXPECT_EQ(File(), "Invoice 42");
    EXPECT_EQ(Doc(), "Invoice 42");
    SetUser(*fake, "PrintToArchive", "1");
    Name();
    EXPECT_EQ(File(), test::Native("PrintToArchive/AROPrint_20100305090702047"));
    EXPECT_EQ(Doc(), "Invoice 42");
    g_job.names.jobName[0] = '\0';
    SetUser(*fake, "PrintToArchive", "0");
    Name();
    EXPECT_EQ(File(), "");
}

TEST_F(FileNamingTest, RuleThreeAddsOneStampToBoth) {
    SetUser(*fake, "FileNameMode", "3");
    Name();
    EXPECT_EQ(File(), "Invoice 42_20100305090702046");
    EXPECT_EQ(Doc(), "Invoice 42_20100305090702046");
    SetUser(*fake, "PrintToArchive", "1");
    Name();
    EXPECT_EQ(File(), test::Native("PrintToArchive/AROPrint__20100305090702048"));
    EXPECT_EQ(Doc(), "Invoice 42_20100305090702048");
}

TEST_F(FileNamingTest, RuleFourSpecialName) {
    SetUser(*fake, "FileNameMode", "4");
    Name();  // no special name: defaults
    EXPECT_EQ(File(), "AROPrint_20100305090702045");
    SetUser(*fake, "TempfileName", "Scan");
    Name();
    EXPECT_EQ(File(), "Scan");
    EXPECT_EQ(Doc(), "Scan");
    SetUser(*fake, "TempfileName", "S");
    Name();
    EXPECT_EQ(File(), "AROprint");
    EXPECT_EQ(Doc(), "S");
    SetUser(*fake, "PrintToArchive", "1");
    Name();
    EXPECT_EQ(File(), test::Native("PrintToArchive/AROPrint_20100305090702049"));
    EXPECT_EQ(Doc(), "AROprint");
    SetUser(*fake, "TempfileName", "Scan");
    Name();
    EXPECT_EQ(Doc(), "Scan");
}

TEST_F(FileNamingTest, RuleFiveSpecialNameWithStamp) {
    SetUser(*fake, "FileNameMode", "5");
    SetUser(*fake, "TempfileName", "Scan");
    Name();
    EXPECT_EQ(File(), "Scan_20100305090702046");
    EXPECT_EQ(Doc(), "Scan_20100305090702046");
    SetUser(*fake, "PrintToArchive", "1");
    Name();
    EXPECT_EQ(File(), test::Native("PrintToArchive/AROPrint_20100305090702048"));
    EXPECT_EQ(Doc(), "Scan_20100305090702049");
    SetUser(*fake, "TempfileName", "S");
    Name();
    EXPECT_EQ(File(), test::Native("PrintToArchive/AROPrint_20100305090702051"));
    EXPECT_EQ(Doc(), "AROPrint_20100305090702050");
}

// Names too long for their fields lose text before the time stamp, never
// the stamp: it keeps one job's file from replacing another's.
TEST_F(FileNamingTest, LongNamesKeepTheirTimeStamp) {
    CopyText(g_job.names.jobName, std::string(300, 'j').c_str());
    SetUser(*fake, "FileNameMode", "3");
    Name();
    EXPECT_EQ(File(), std::string(241, 'j') + "_20100305090702046");
    EXPECT_EQ(Doc(), File());
    SetUser(*fake, "FileNameMode", "5");
    SetUser(*fake, "TempfileName", std::string(259, 's'));
    Name();
    ASSERT_EQ(File().size(), 259u);
    EXPECT_EQ(File().substr(0, 258), std::string(241, 's') + "_2010030509070204");
}

TEST(CutKeepingTimeStampTest, StampStaysAndOtherNamesAreCutAtTheEnd) {
    char name[64] = "Invoice_20100305090702046";
    CutKeepingTimeStamp(name, 20);
    EXPECT_STREQ(name, "In_20100305090702046");
    CutKeepingTimeStamp(name, 30);  // fits: unchanged
    EXPECT_STREQ(name, "In_20100305090702046");
    CutKeepingTimeStamp(name, 10);  // no room for the stamp: cut at the end
    EXPECT_STREQ(name, "In_2010030");
    char plain[64] = "Invoice 42 draft";
    CutKeepingTimeStamp(plain, 7);
    EXPECT_STREQ(plain, "Invoice");
    char almost[64] = "Invoice_2010030509070204x";  // not a stamp
    CutKeepingTimeStamp(almost, 20);
    EXPECT_STREQ(almost, "Invoice_201003050907");
}

TEST_F(FileNamingTest, UnknownRulesKeepTheDefaults) {
    for (const char* mode : {"6", "0", "01", "1 ", ""}) {
        SetUser(*fake, "FileNameMode", mode);
        Name();
        EXPECT_EQ(File().substr(0, 9), "AROPrint_") << mode;
        EXPECT_EQ(File(), Doc()) << mode;
    }
}

TEST_F(FileNamingTest, LogLinesOfASpecialName) {
    SetUser(*fake, "FileNameMode", "4");
    SetUser(*fake, "TempfileName", "Scan");
    test::OpenLogForTest(*fake);
    Name();
    EXPECT_EQ(test::LogLines(*fake),
              (std::vector<std::string>{"In function GetFileName", "Set default entry for FileName",
                                        "Build time stamp for default file name",
                                        "FileNameMode registry entry found", "Special file name",
                                        "TempFileName registry entry found",
                                        "TempFileName entry found in CU : Scan"}));
}

TEST_F(FileNamingTest, LogLinesWhenNothingIsDone) {
    SetUser(*fake, "PrintToArchive", "1");
    SetUser(*fake, "FileNameMode", "9");
    test::OpenLogForTest(*fake);
    Name();
    EXPECT_EQ(
        test::LogLines(*fake),
        (std::vector<std::string>{
            "In function GetFileName", "PrintToArchive registery entry found",
            "CU PrintToArchive = 1 -> Print to sub directory", "Set default entry for FileName",
            "Build time stamp for default file name", "FileNameMode registry entry found",
            "Exit function GetFileName without anything done"}));
}

TEST_F(FileNamingTest, LongNamesAreCutToTheField) {
    SetUser(*fake, "FileNameMode", "3");
    CopyText(g_job.names.jobName, std::string(255, 'j').c_str());
    Name();
    EXPECT_EQ(File().size(), 259u);
    EXPECT_EQ(Doc().size(), 259u);
}

// Only a name with a time stamp is claimed as the job's own file: the job
// name and the special name outside an archive job replace an earlier file.
TEST_F(FileNamingTest, NamesWithATimeStampAreMarked) {
    SetUser(*fake, "TempfileName", "Scan");
    struct Case {
        const char* mode;
        const char* archive;
        bool stamped;
    };
    for (const Case& c : {Case{"", "0", true}, Case{"1", "0", true}, Case{"2", "0", false},
                          Case{"3", "0", true}, Case{"4", "0", false}, Case{"5", "0", true},
                          Case{"2", "1", true}, Case{"4", "1", true}}) {
        SetUser(*fake, "FileNameMode", c.mode);
        SetUser(*fake, "PrintToArchive", c.archive);
        Name();
        EXPECT_EQ(g_job.names.stampedFileName, c.stamped)
            << c.mode << " " << c.archive << " " << File();
    }
}

TEST_F(FileNamingTest, StampFieldsArePadded) {
    fake->now = LocalTime{2026, 7, 3, 0, 4, 9, 5};
    Name();
    EXPECT_EQ(File(), "AROPrint_20260703000409005");
}

}  // namespace
}  // namespace aro
