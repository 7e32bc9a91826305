// Print jobs through the built AroPrinterCfg.dll on Windows: files, paths
// with "\", the registry, the diagnostic log, the version record from the
// system folder, message boxes and the command hooks.
#include <gtest/gtest.h>

#include <algorithm>

#include "PageImages.h"
#include "RegistryAccess.h"
#include "WindowsHarness.h"
#include "common/TiffInspect.h"

namespace aro::wtest {
namespace {

constexpr const char* kVersionsKey = "Software\\ARO Digital\\Versions";
constexpr const char* kVersionValue = "ARO Printer DLL (AroPrinterCfg.dll)";
constexpr const char* kNoFlags = "00000000 ";
constexpr const char* kTopMost = "00040000 ";

void Record(Job& job, const std::vector<int>& statuses) {
    for (int s : statuses) job.outputs.push_back(std::to_string(s));
}

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::string SystemFolder() {
    char folder[MAX_PATH];
    GetSystemDirectoryA(folder, MAX_PATH);
    return folder;
}

// ---- jobs, run in the job process ----

ARO_JOB(ThreeMonoPages) {
    m.jobName("Quarterly report");
    m.startDoc();
    for (int p = 0; p < 3; ++p)
        Record(job, PrintPage(m, MonoPage(1275, 600, p + 1), 1275, 600, 256, 1));
    m.endDoc();
}

ARO_JOB(OneSmallPage) {
    m.startDoc();
    Record(job, PrintPage(m, MonoPage(64, 16, 1), 64, 16, 16, 1));
    m.endDoc();
}

ARO_JOB(EmptyDocument) {
    m.startDoc();
    m.endDoc();
}

ARO_JOB(ThreeSinglePages) {
    m.jobName("Memo: draft");
    m.startDoc();
    for (int p = 0; p < 3; ++p) PrintPage(m, MonoPage(200, 40, p), 200, 40, 16, 1);
    m.endDoc();
}

ARO_JOB(TextNameThenTwoPages) {
    m.startDoc();
    char name[ARO_PRINT_FILE_NAME_SIZE];
    m.printFileName(name);
    job.outputs.push_back(name);
    for (int p = 0; p < 2; ++p) PrintPage(m, MonoPage(64, 8, p), 64, 8, 8, 1);
    m.endDoc();
}

// arguments: the file the hook program writes to.
ARO_JOB(HookRecordAfterSetup) {
    m.startDoc();
    for (const auto& line : Lines(ReadFile(job.arguments.at(0)))) job.outputs.push_back(line);
    m.endDoc();
}

// ---- the output file ----

TEST(PrintJobTest, MultiPageJobIsOneGroup4FileWithEveryPixelAndItsGroupFile) {
    Sandbox box;
    box.UseSettings({{"PrintGrpFile", "1"}});
    JobResult job = box.Run("ThreeMonoPages");
    ASSERT_EQ(job.exitCode, 0u) << job.messages;
    EXPECT_EQ(job.messages, "");
    EXPECT_EQ(job.outputs, std::vector<std::string>(9, "0"));
    auto files = box.Files(box.outDir(), ".TIF");
    ASSERT_EQ(files.size(), 1u);
    const std::string path = box.outDir() + "\\" + files[0];
    std::vector<test::TiffPage> pages;
    ASSERT_TRUE(test::ReadTiffPages(path, &pages));
    ASSERT_EQ(pages.size(), 3u);
    for (int p = 0; p < 3; ++p) {
        EXPECT_EQ(pages[p].compression, COMPRESSION_CCITTFAX4);
        EXPECT_EQ(pages[p].strips, 3u);
        const auto host = MonoPage(1275, 600, p + 1);
        ASSERT_EQ(pages[p].rows.size(), 600u);
        for (uint32_t y = 0; y < 600; ++y)
            for (uint32_t x = 0; x < 1275; ++x)
                ASSERT_EQ((pages[p].rows[y][x / 8] >> (7 - x % 8)) & 1,
                          HostBlack(host, 1275, x, y) ? 1 : 0)
                    << "page " << p << " pixel " << x << "," << y;
    }
    // The group file names the TIFF file with its Windows path.
    const std::string text = ReadFile(path.substr(0, path.size() - 4) + ".grp");
    EXPECT_NE(text.find("Image File Name=" + path), std::string::npos) << text;
    EXPECT_NE(text.find("Total Page Number=3"), std::string::npos) << text;
}

TEST(PrintJobTest, SinglePageModeMakesOneFilePerPage) {
    Sandbox box;
    box.UseSettings({{"PrintMultiPageImage", "0"}, {"FileNameMode", "2"}});
    JobResult job = box.Run("ThreeSinglePages");
    ASSERT_EQ(job.exitCode, 0u) << job.messages;
    EXPECT_EQ(box.Files(box.outDir(), ".TIF"),
              (std::vector<std::string>{"Memo draft.TIF", "Memo draft_2.TIF", "Memo draft_3.TIF"}));
}

TEST(PrintJobTest, MachineSettingsAreTheFallbackAndTheTextNameUsesBackslashes) {
    Sandbox box;
    box.UseSettings({});
    SetRegistryString(HKEY_LOCAL_MACHINE, kMainKey, "MaxPagesCount", "1");
    SetRegistryString(HKEY_LOCAL_MACHINE, kMainKey, "PrintTxtFile", "1");
    JobResult job = box.Run("TextNameThenTwoPages");
    ASSERT_EQ(job.exitCode, 0u) << job.messages;
    auto files = box.Files(box.outDir(), ".TIF");
    ASSERT_EQ(files.size(), 1u);
    ASSERT_EQ(job.outputs.size(), 1u);
    EXPECT_EQ(job.outputs[0],
              box.outDir() + "\\" + files[0].substr(0, files[0].size() - 4) + ".TXT");
    std::vector<test::TiffPage> pages;
    ASSERT_TRUE(test::ReadTiffPages(box.outDir() + "\\" + files[0], &pages));
    EXPECT_EQ(pages.size(), 1u);
}

TEST(PrintJobTest, ClientOptionsFolderWithTheUserTempPlaceholder) {
    Sandbox box;
    SetRegistryString(HKEY_CURRENT_USER, "SOFTWARE\\ARO Digital\\Aro32.2\\Options", "Dovurezazuv",
                      "%USERTEMP%\\scans\\");
    SetRegistryString(HKEY_CURRENT_USER, kMainKey, "PrintToArchive", "0");
    JobResult job = box.Run("OneSmallPage");
    ASSERT_EQ(job.exitCode, 0u) << job.messages;
    // %USERTEMP% is GetTempPathA's folder; one trailing backslash is dropped.
    EXPECT_TRUE(FileExists(box.tempDir() + "scans\\PrintToArchive"));
    EXPECT_EQ(box.Files(box.tempDir() + "scans", ".TIF").size(), 1u);
}

TEST(PrintJobTest, NothingConfiguredIsReportedInMessageBoxesAndNothingWritten) {
    Sandbox box;
    JobResult job = box.Run("OneSmallPage");
    ASSERT_EQ(job.exitCode, 0u);
    EXPECT_EQ(job.outputs, std::vector<std::string>{"-1"});
    auto messages = Lines(job.messages);
    ASSERT_GE(messages.size(), 3u) << job.messages;
    EXPECT_EQ(messages[0], std::string(kNoFlags) + "Error: No ARO print path found");
    EXPECT_EQ(messages[1], std::string(kNoFlags) + "ARO Printer: Print directory not found.");
    EXPECT_EQ(messages[2],
              std::string(kNoFlags) + "ARO Printer: Cannot open TIFF file in the directory \"\".");
}

// ---- the diagnostic log ----

TEST(PrintJobTest, DiagnosticLogIsATextFileInTheTemporaryFolder) {
    Sandbox box;
    box.UseSettings({{"Debug", "1"}});
    JobResult job = box.Run("OneSmallPage");
    ASSERT_EQ(job.exitCode, 0u);
    const std::string logPath = box.tempDir() + "AroPrinter.log";
    // The announcement stays on top of other windows.
    EXPECT_EQ(job.messages, std::string(kTopMost) +
                                "ARO Printer: ARO Printer debug mode, file name: " + logPath +
                                "\n");
    const std::string text = ReadFile(logPath);
    // Written through a text-mode stream: Windows line ends.
    EXPECT_NE(text.find("Start debug mode\r\n"), std::string::npos);
    EXPECT_EQ(text.find("\n"), text.find("\r\n") + 1);
    auto log = Lines(text);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front(), "Start debug mode");
    EXPECT_EQ(log.back(), "End Print Job");
    EXPECT_TRUE(Contains(log, "Height=16, Width=64"));
}

// ---- the version record ----

// Puts the module into the system folder for the life of the object.
class ModuleInSystemFolder {
public:
    ModuleInSystemFolder() : m_path(SystemFolder() + "\\AroPrinterCfg.dll") {
        copied = CopyFileA(ModulePath().c_str(), m_path.c_str(), FALSE) != 0;
    }
    ~ModuleInSystemFolder() { DeleteFileA(m_path.c_str()); }
    bool copied = false;

private:
    std::string m_path;
};

TEST(PrintJobTest, VersionRecordComesFromTheModuleInTheSystemFolder) {
    Sandbox box;
    box.UseSettings({});
    DeleteFileA((SystemFolder() + "\\AroPrinterCfg.dll").c_str());
    ASSERT_EQ(box.Run("EmptyDocument").exitCode, 0u);
    EXPECT_FALSE(GetRegistryString(HKEY_CURRENT_USER, kVersionsKey, kVersionValue));

    ModuleInSystemFolder installed;
    ASSERT_TRUE(installed.copied);
    ASSERT_EQ(box.Run("EmptyDocument").exitCode, 0u);
    EXPECT_EQ(GetRegistryString(HKEY_CURRENT_USER, kVersionsKey, kVersionValue),
              ARO_PROJECT_VERSION " @ " + SystemFolder());

    // Rewritten at every document setup.
    SetRegistryString(HKEY_CURRENT_USER, kVersionsKey, kVersionValue, "stale");
    ASSERT_EQ(box.Run("EmptyDocument").exitCode, 0u);
    EXPECT_EQ(GetRegistryString(HKEY_CURRENT_USER, kVersionsKey, kVersionValue),
              ARO_PROJECT_VERSION " @ " + SystemFolder());
}

// ---- the command hooks ----

std::vector<std::string> WaitForLines(const std::string& path, std::size_t count) {
    for (int i = 0; i < 250 && Lines(ReadFile(path)).size() < count; ++i) Sleep(20);
    return Lines(ReadFile(path));
}

// The parameter is used as it is: blanks split it, quotes written into it
// keep a path with blanks together.
TEST(PrintJobTest, HookProgramsAreFoundOnThePathAndGetTheirParameterUnquoted) {
    Sandbox box;
    const std::string record = box.root() + "\\hooks.txt";
    box.UseSettings({{"ShellExecuteBefore", "aro_argv_probe"},
                     {"ShellExecuteBeforeParam", "before one"},
                     {"ShellExecuteBeforeCheckin", "aro_argv_probe"},
                     {"ShellExecuteBeforeCheckinParam", "\"C:\\my dir\\job.tif\""}});
    JobResult job = box.Run("HookRecordAfterSetup", {record},
                            {"PATH=" + ProgramFolder() + ";C:\\windows\\system32;C:\\windows",
                             "ARO_PROBE_OUTPUT=" + record});
    ASSERT_EQ(job.exitCode, 0u) << job.messages;
    // The before hook has ended before the setup went on.
    EXPECT_EQ(job.outputs, std::vector<std::string>{"before|one|before|one|3"});
    EXPECT_EQ(WaitForLines(record, 2),
              (std::vector<std::string>{"before|one|before|one|3",
                                        "C:\\my dir\\job.tif|C:\\my dir\\job.tif|1"}));
}

TEST(PrintJobTest, HookWithoutProgramLetsTheShellOpenTheParameter) {
    Sandbox box;
    const std::string record = box.root() + "\\hooks.txt";
    const std::string probe = ProgramFolder() + "\\aro_argv_probe.exe";
    box.UseSettings({{"ShellExecuteAfter", "x"}, {"ShellExecuteAfterParam", probe}});
    JobResult job = box.Run("EmptyDocument", {}, {"ARO_PROBE_OUTPUT=" + record});
    ASSERT_EQ(job.exitCode, 0u) << job.messages;
    auto lines = WaitForLines(record, 1);
    ASSERT_EQ(lines.size(), 1u);
    // Opened without parameters.
    EXPECT_NE(lines[0].find("aro_argv_probe"), std::string::npos) << lines[0];
    EXPECT_EQ(lines[0].substr(lines[0].size() - 2), "|0");
}

}  // namespace
}  // namespace aro::wtest
