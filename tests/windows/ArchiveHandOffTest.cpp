// The archive hand-offs of the built module through real COM: the test
// automation server (AroTestArchiveServer.dll) stands in for both clients
// and records every lookup, invocation and release.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "PageImages.h"
#include "RegistryAccess.h"
#include "TestArchiveServer.h"
#include "WindowsHarness.h"

namespace aro::wtest {
namespace {

constexpr const char* kClassicMissing =
    "00000000 ARO Printer: Error: Ole-Server AroArcConnect.exe not registered.\n\nPlease run "
    "AroArcConnect.exe once. This file is located in the ARO client directory.\nIn case the "
    "file is not there you have to install the latest macro update.\n";
constexpr const char* kJavaMissing =
    "00000000 ARO Pdf Printer: Error: Ole-Server not registered.\n";

ARO_JOB(OnePageForTheArchive) {
    m.startDoc();
    PrintPage(m, MonoPage(64, 8, 1), 64, 8, 8, 1);
    m.endDoc();
}

class ArchiveHandOffTest : public ::testing::Test {
protected:
    // An archive job: the file goes to the PrintToArchive subfolder, with a
    // group file beside it.
    void UseArchiveSettings(const Settings& more) {
        Settings settings = {{"PrintToArchive", "1"}, {"PrintGrpFile", "1"}};
        settings.insert(settings.end(), more.begin(), more.end());
        box.UseSettings(settings);
        CreateDirectoryA(ArchiveFolder().c_str(), nullptr);
    }
    std::string ArchiveFolder() const { return box.outDir() + "\\PrintToArchive"; }
    std::vector<std::string> ArchiveFiles() const {
        auto files = box.Files(ArchiveFolder(), ".TIF");
        auto groups = box.Files(ArchiveFolder(), ".grp");
        files.insert(files.end(), groups.begin(), groups.end());
        return files;
    }
    // The TIFF path the server was given, from its record.
    static std::string PathArgument(const std::string& call) {
        std::smatch match;
        return std::regex_search(call, match, std::regex("BSTR:([^ ]*\\.TIF)")) ? match[1].str()
                                                                                : std::string();
    }

    Sandbox box;
};

// ---- the classic client ----

TEST_F(ArchiveHandOffTest, ClassicClientChecksInEndsAndIsReleasedBeforeTheFilesGo) {
    RegisteredArchiveServer server;
    UseArchiveSettings({{"ShortNameToFileName", "1"}});
    JobResult job = box.Run("OnePageForTheArchive");
    ASSERT_EQ(job.exitCode, 0u);
    EXPECT_EQ(job.messages, "");
    ASSERT_EQ(job.serverCalls.size(), 5u) << job.messages;
    EXPECT_EQ(job.serverCalls[0], "classic GetIDsOfNames DoCheckInOut2 lcid=0x800");
    const std::string path = PathArgument(job.serverCalls[1]);
    ASSERT_EQ(path.rfind(ArchiveFolder() + "\\AROPrint_", 0), 0u) << job.serverCalls[1];
    const std::string document =
        path.substr(ArchiveFolder().size() + 1, path.size() - ArchiveFolder().size() - 5);
    EXPECT_EQ(job.serverCalls[1],
              "classic Invoke DoCheckInOut2 kind=1 lcid=0x0 BSTR:ARO Printer BSTR:" + document +
                  " BSTR:" + path);
    EXPECT_EQ(job.serverCalls[2], "classic GetIDsOfNames EndOleServer lcid=0x800");
    EXPECT_EQ(job.serverCalls[3], "classic Invoke EndOleServer kind=1 lcid=0x0");
    EXPECT_EQ(job.serverCalls[4], "classic Release file-present=1");
    EXPECT_EQ(ArchiveFiles(), std::vector<std::string>{});
}

TEST_F(ArchiveHandOffTest, ClassicClientGetsTheShortNameUnlessAskedForTheFileName) {
    RegisteredArchiveServer server;
    UseArchiveSettings({{"DocumentShortName", "Invoice 42"}, {"ShortNameToFileName", "1 "}});
    JobResult job = box.Run("OnePageForTheArchive");
    ASSERT_EQ(job.serverCalls.size(), 5u) << job.messages;
    EXPECT_NE(job.serverCalls[1].find("BSTR:ARO Printer BSTR:Invoice 42 BSTR:"), std::string::npos)
        << job.serverCalls[1];
}

TEST_F(ArchiveHandOffTest, ClassicCheckInThatRaisesSkipsTheEndButStillDeletes) {
    RegisteredArchiveServer server;
    UseArchiveSettings({});
    JobResult job = box.Run("OnePageForTheArchive", {}, {"ARO_TEST_SERVER_RAISE=DoCheckInOut2"});
    ASSERT_EQ(job.exitCode, 0u);
    EXPECT_EQ(job.messages, "");
    ASSERT_EQ(job.serverCalls.size(), 3u);
    EXPECT_EQ(job.serverCalls[1].rfind("classic Invoke DoCheckInOut2 ", 0), 0u);
    EXPECT_EQ(job.serverCalls[2], "classic Release file-present=1");
    EXPECT_EQ(ArchiveFiles(), std::vector<std::string>{});
}

TEST_F(ArchiveHandOffTest, ClassicClientNotRegisteredKeepsTheFile) {
    UseArchiveSettings({});
    JobResult job = box.Run("OnePageForTheArchive");
    ASSERT_EQ(job.exitCode, 0u);
    EXPECT_EQ(job.messages, kClassicMissing);
    EXPECT_EQ(job.serverCalls, std::vector<std::string>{});
    EXPECT_EQ(box.Files(ArchiveFolder(), ".TIF").size(), 1u);
}

// ---- the Java client ----

TEST_F(ArchiveHandOffTest, JavaClientFilesIntoTheArchiveWithAFourteenDigitStamp) {
    RegisteredArchiveServer server;
    UseArchiveSettings({{"IsJavaClient", "1"}, {"Debug", "1"}});
    JobResult job = box.Run("OnePageForTheArchive");
    ASSERT_EQ(job.exitCode, 0u);
    std::vector<std::string> invocations;
    for (const auto& call : job.serverCalls)
        if (call.find(" GetIDsOfNames ") == std::string::npos) invocations.push_back(call);
    ASSERT_EQ(invocations.size(), 4u) << job.messages;
    EXPECT_EQ(invocations[0], "java Invoke getArchiveName kind=3 lcid=0x0");
    EXPECT_EQ(invocations[1], "java Invoke setShowIndexDialog kind=1 lcid=0x0 BOOL:-1");
    const std::string path = PathArgument(invocations[2]);
    ASSERT_FALSE(path.empty()) << invocations[2];
    EXPECT_TRUE(std::regex_match(invocations[2],
                                 std::regex("java Invoke addDocumentFileToArchive kind=1 lcid=0x0 "
                                            "BSTR:[^ ]+\\.TIF BSTR:ARO Print BSTR:[0-9]{14}")))
        << invocations[2];
    EXPECT_EQ(invocations[3], "java Release file-present=1");
    EXPECT_EQ(ArchiveFiles(), std::vector<std::string>{});
    const auto log = Lines(ReadFile(box.tempDir() + "AroPrinter.log"));
    EXPECT_NE(
        std::find(log.begin(), log.end(), std::string("Archive name found: ") + kArchiveNameAnswer),
        log.end());
}

TEST_F(ArchiveHandOffTest, JavaClientWithoutArchiveNameAsksForLoginAndFilesAnyway) {
    RegisteredArchiveServer server;
    UseArchiveSettings({{"IsJavaClient", "1"}});
    JobResult job = box.Run("OnePageForTheArchive", {}, {"ARO_TEST_SERVER_RAISE=getArchiveName"});
    ASSERT_EQ(job.exitCode, 0u);
    std::vector<std::string> members;
    for (const auto& call : job.serverCalls)
        if (call.rfind("java Invoke ", 0) == 0)
            members.push_back(call.substr(12, call.find(' ', 12) - 12));
    EXPECT_EQ(members,
              (std::vector<std::string>{"getArchiveName", "loginWithDialog", "setShowIndexDialog",
                                        "addDocumentFileToArchive"}));
    EXPECT_EQ(ArchiveFiles(), std::vector<std::string>{});
}

TEST_F(ArchiveHandOffTest, JavaFilingResultThatIsNoNumberFailsTheCallButStillDeletes) {
    RegisteredArchiveServer server;
    UseArchiveSettings({{"IsJavaClient", "1"}, {"Debug", "1"}});
    JobResult job = box.Run("OnePageForTheArchive", {}, {"ARO_TEST_SERVER_TEXT_RESULT=1"});
    ASSERT_EQ(job.exitCode, 0u);
    ASSERT_FALSE(job.serverCalls.empty());
    EXPECT_EQ(job.serverCalls.back(), "java Release file-present=1");
    EXPECT_EQ(ArchiveFiles(), std::vector<std::string>{});
    // The result could not become VT_INT: the filing call counts as failed.
    const auto log = Lines(ReadFile(box.tempDir() + "AroPrinter.log"));
    EXPECT_NE(std::find(log.begin(), log.end(), "Show aro treeview"), log.end());
    EXPECT_EQ(std::find(log.begin(), log.end(), "return from showing aro treeview"), log.end());
}

TEST_F(ArchiveHandOffTest, JavaInTrayKeepsTheFile) {
    RegisteredArchiveServer server;
    box.UseSettings({{"IsJavaClient", "1"}});
    JobResult job = box.Run("OnePageForTheArchive");
    ASSERT_EQ(job.exitCode, 0u);
    auto files = box.Files(box.outDir(), ".TIF");
    ASSERT_EQ(files.size(), 1u);
    ASSERT_FALSE(job.serverCalls.empty());
    EXPECT_NE(std::find(job.serverCalls.begin(), job.serverCalls.end(),
                        "java Invoke addDocumentFileToIntray kind=1 lcid=0x0 BSTR:" + box.outDir() +
                            "\\" + files[0]),
              job.serverCalls.end());
    EXPECT_EQ(job.serverCalls.back(), "java Release file-present=1");
}

TEST_F(ArchiveHandOffTest, JavaClientChosenByTheMachineWhenTheUserSaysNothing) {
    RegisteredArchiveServer server;
    UseArchiveSettings({});
    SetRegistryString(HKEY_LOCAL_MACHINE, "Software\\ARO Digital\\DovuRezazuv", "IsJavaClient",
                      "1");
    JobResult job = box.Run("OnePageForTheArchive");
    ASSERT_FALSE(job.serverCalls.empty());
    EXPECT_EQ(job.serverCalls[0].rfind("java ", 0), 0u) << job.serverCalls[0];
}

TEST_F(ArchiveHandOffTest, JavaClientNotRegisteredKeepsTheFile) {
    UseArchiveSettings({{"IsJavaClient", "1"}});
    JobResult job = box.Run("OnePageForTheArchive");
    ASSERT_EQ(job.exitCode, 0u);
    EXPECT_EQ(job.messages, kJavaMissing);
    EXPECT_EQ(box.Files(ArchiveFolder(), ".TIF").size(), 1u);
}

}  // namespace
}  // namespace aro::wtest
