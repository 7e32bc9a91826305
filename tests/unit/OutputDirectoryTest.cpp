#include <gtest/gtest.h>

#include "TestSupport.h"
#include "config/OutputDirectory.h"
#include "platform/PathRules.h"

namespace aro {
namespace {

using test::ScopedFakePlatform;

constexpr const char* kPro = "SOFTWARE\\ARO Digital\\Aro32.1\\Options";
constexpr const char* kOffice = "SOFTWARE\\ARO Digital\\Aro32.2\\Options";

std::string Resolve() {
    return ResolveOutputFolder().c_str();
}

TEST(OutputDirectoryTest, AlternateKeyDecidesAloneAndCreatesNothing) {
    ScopedFakePlatform fake;
    fake->SetString(Hive::LocalMachine, kMainKey, "AlternateKey", "Software\\Other");
    fake->SetString(Hive::CurrentUser, "Software\\Other", "Dovurezazuv",
                    test::Native("%APPDATA%/out/"));
    fake->SetString(Hive::CurrentUser, kPro, "Dovurezazuv", test::Native("/ignored"));
    test::OpenLogForTest(*fake);
    EXPECT_EQ(Resolve(), test::Native("%APPDATA%/out"));
    EXPECT_TRUE(fake->createdFolders.empty());
    EXPECT_TRUE(fake->messages.empty());
    EXPECT_EQ(
        test::LogLines(*fake),
        (std::vector<std::string>{"In function GetPrinterTempDirectory", "No AlternateKey in CU",
                                  test::Native("AlternateKey found: %APPDATA%/out")}));
}

TEST(OutputDirectoryTest, AlternateKeyWithoutFolderIgnoresClientOptions) {
    ScopedFakePlatform fake;
    test::SetUser(*fake, "AlternateKey", "Software\\Other");
    fake->SetString(Hive::CurrentUser, kPro, "Dovurezazuv", "/ignored");
    test::OpenLogForTest(*fake);
    EXPECT_EQ(Resolve(), "");
    EXPECT_TRUE(fake->messages.empty());
    EXPECT_EQ(
        test::LogLines(*fake),
        (std::vector<std::string>{"In function GetPrinterTempDirectory",
                                  "No AlternateKey found in CU", "No AlternateKey found in LM"}));
}

TEST(OutputDirectoryTest, ClientOptionsInPrecedenceOrder) {
    ScopedFakePlatform fake;
    fake->SetString(Hive::LocalMachine, kOffice, "Dovurezazuv", test::Native("/lm-office"));
    EXPECT_EQ(Resolve(), test::Native("/lm-office"));
    fake->SetString(Hive::LocalMachine, kPro, "Dovurezazuv", test::Native("/lm-pro"));
    EXPECT_EQ(Resolve(), test::Native("/lm-pro"));
    fake->SetString(Hive::CurrentUser, kOffice, "Dovurezazuv", test::Native("/cu-office"));
    EXPECT_EQ(Resolve(), test::Native("/cu-office"));
    fake->SetString(Hive::CurrentUser, kPro, "Dovurezazuv", test::Native("/cu-pro/"));
    EXPECT_EQ(Resolve(), test::Native("/cu-pro"));
}

TEST(OutputDirectoryTest, CreatesFolderAndSubfolderWithLogLines) {
    ScopedFakePlatform fake;
    fake->SetString(Hive::LocalMachine, kOffice, "Dovurezazuv", test::Native("/out"));
    test::OpenLogForTest(*fake);
    EXPECT_EQ(Resolve(), test::Native("/out"));
    EXPECT_EQ(
        fake->createdFolders,
        (std::vector<std::string>{test::Native("/out"), test::Native("/out/PrintToArchive")}));
    EXPECT_EQ(
        test::LogLines(*fake),
        (std::vector<std::string>{
            "In function GetPrinterTempDirectory", "No AlternateKey in CU", "No AlternateKey in LM",
            "No AROprofessional Dovurezazuv entry in CU", "No AROoffice Dovurezazuv entry in CU",
            "No AROprofessional Dovurezazuv entry in LM", test::Native("DruckTempPath=/out"),
            "Create TempDir", test::Native("Create SubDir=/out/PrintToArchive")}));
    // A second run finds both.
    fake->createdFolders.clear();
    EXPECT_EQ(Resolve(), test::Native("/out"));
    EXPECT_TRUE(fake->createdFolders.empty());
}

TEST(OutputDirectoryTest, NothingConfiguredCreatesNothingAtTheRoot) {
    ScopedFakePlatform fake;
    test::OpenLogForTest(*fake);
    EXPECT_EQ(Resolve(), "");
    auto lines = test::LogLines(*fake);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "Create TempDir");
    EXPECT_EQ(lines.back(), std::string("Create SubDir=") + kPathSeparatorText + "PrintToArchive");
    ASSERT_EQ(fake->messages.size(), 1u);
    EXPECT_EQ(fake->messages[0].text, "No ARO print path found");
    EXPECT_EQ(fake->messages[0].caption, "Error");
    EXPECT_TRUE(fake->createdFolders.empty());
}

TEST(OutputDirectoryTest, UserTempWithoutTemporaryFolderIsNoFolder) {
    ScopedFakePlatform fake;
    fake->tempPath = "";
    fake->SetString(Hive::CurrentUser, kPro, "Dovurezazuv",
                    std::string("%USERTEMP%") + kPathSeparatorText + "scan");
    EXPECT_EQ(Resolve(), "");
    EXPECT_TRUE(fake->createdFolders.empty());
}

TEST(OutputDirectoryTest, UserTempPlaceholder) {
    ScopedFakePlatform fake;
    fake->tempPath = test::Native("/tmp/u/");
    fake->SetString(Hive::CurrentUser, kPro, "Dovurezazuv", test::Native("%USERTEMP%/scan"));
    test::OpenLogForTest(*fake);
    EXPECT_EQ(Resolve(), test::Native("/tmp/u/scan"));
    auto lines = test::LogLines(*fake);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "%USERTEMP% found"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), test::Native("TempPath=/tmp/u/")), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), test::Native("TempPath expanded=/tmp/u/scan")),
              lines.end());

    fake->SetString(Hive::CurrentUser, kPro, "Dovurezazuv", "%USERTEMP%scan");
    EXPECT_EQ(Resolve(), test::Native("/tmp/u/scan"));
    fake->SetString(Hive::CurrentUser, kPro, "Dovurezazuv", "%USERTEMP%");
    EXPECT_EQ(Resolve(), test::Native("/tmp/u"));
    // Other letter case, or not at the start: no placeholder.
    fake->SetString(Hive::CurrentUser, kPro, "Dovurezazuv", test::Native("%usertemp%/scan"));
    EXPECT_EQ(Resolve(), test::Native("%usertemp%/scan"));
    fake->SetString(Hive::CurrentUser, kPro, "Dovurezazuv", test::Native("/x%USERTEMP%"));
    EXPECT_EQ(Resolve(), test::Native("/x%USERTEMP%"));
}

TEST(OutputDirectoryTest, AppDataPlaceholder) {
    ScopedFakePlatform fake;
    fake->environment["APPDATA"] = test::Native("/home/a/.local/share");
    fake->longPaths[test::Native("/home/a/.local/share")] = test::Native("/data/a");
    fake->SetString(Hive::CurrentUser, kPro, "Dovurezazuv", test::Native("%APPDATA%/scan"));
    EXPECT_EQ(Resolve(), test::Native("/data/a/scan"));
    fake->SetString(Hive::CurrentUser, kPro, "Dovurezazuv", "%APPDATA%");
    EXPECT_EQ(Resolve(), test::Native("/data/a"));
    // The character right after the placeholder is lost whatever it is.
    fake->SetString(Hive::CurrentUser, kPro, "Dovurezazuv", "%APPDATA%Xscan");
    EXPECT_EQ(Resolve(), test::Native("/data/a/scan"));
    EXPECT_TRUE(fake->messages.empty());
}

TEST(OutputDirectoryTest, AppDataThatDoesNotExistKeepsTheText) {
    ScopedFakePlatform fake;
    fake->environment["APPDATA"] = test::Native("/missing");
    fake->SetString(Hive::CurrentUser, kPro, "Dovurezazuv", test::Native("%APPDATA%/scan"));
    EXPECT_EQ(Resolve(), test::Native("%APPDATA%/scan"));
    ASSERT_EQ(fake->messages.size(), 1u);
    EXPECT_EQ(fake->messages[0].text, "Error: Could not expand environment string %APPDATA%");
    EXPECT_EQ(fake->messages[0].caption, "ARO Printer");
}

TEST(OutputDirectoryTest, OnlyOneTrailingSeparatorIsRemoved) {
    ScopedFakePlatform fake;
    fake->SetString(Hive::CurrentUser, kPro, "Dovurezazuv", test::Native("/out//"));
    EXPECT_EQ(Resolve(), test::Native("/out/"));
}

TEST(OutputDirectoryTest, LongExpansionsStayWithinThePathBuffer) {
    ScopedFakePlatform fake;
    fake->tempPath = test::Native("/") + std::string(250, 't') + test::Native("/");
    fake->SetString(Hive::CurrentUser, kPro, "Dovurezazuv",
                    test::Native("%USERTEMP%/") + std::string(200, 'x'));
    std::string folder = Resolve();
    EXPECT_EQ(folder.size(), 259u);
    EXPECT_EQ(folder.substr(0, 253), fake->tempPath + std::string(1, 'x'));
}

}  // namespace
}  // namespace aro
