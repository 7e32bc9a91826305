// The Win32 platform layer on the real system (Wine): registry, files,
// version resources, message records, memory and the reporting rules of
// the "A" calls it passes on.
#include <gtest/gtest.h>

#include <cstring>

#include "RegistryAccess.h"
#include "WindowsHarness.h"
#include "platform/win32/Win32Platform.h"

namespace aro::wtest {
namespace {

constexpr const char* kKey = "Software\\ARO Digital\\Test\\Platform";

class Win32PlatformTest : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return box.root() + "\\" + name; }

    Sandbox box;
    win32::Win32Platform platform;
};

// ---- registry ----

TEST_F(Win32PlatformTest, StringValueRoundTripCreatesTheKey) {
    ASSERT_TRUE(platform.SetStringValue(Hive::CurrentUser, kKey, "Name", "text"));
    unsigned char data[16];
    uint32_t size = sizeof data;
    ASSERT_TRUE(platform.QueryValue(Hive::CurrentUser, kKey, "Name", data, &size));
    EXPECT_EQ(size, 5u);  // with its terminator
    EXPECT_STREQ(reinterpret_cast<char*>(data), "text");
    // Value and key names ignore letter case; the machine's hive is another.
    size = sizeof data;
    EXPECT_TRUE(platform.QueryValue(Hive::CurrentUser, "SOFTWARE\\aro digital\\test\\platform",
                                    "NAME", data, &size));
    size = sizeof data;
    EXPECT_FALSE(platform.QueryValue(Hive::LocalMachine, kKey, "Name", data, &size));
}

TEST_F(Win32PlatformTest, QueryFailsForMissingValuesAndDataThatDoesNotFit) {
    platform.SetStringValue(Hive::CurrentUser, kKey, "Long", "0123456789");
    unsigned char data[8];
    uint32_t size = sizeof data;
    EXPECT_FALSE(platform.QueryValue(Hive::CurrentUser, kKey, "Long", data, &size));
    size = sizeof data;
    EXPECT_FALSE(platform.QueryValue(Hive::CurrentUser, kKey, "Missing", data, &size));
    size = sizeof data;
    EXPECT_FALSE(
        platform.QueryValue(Hive::CurrentUser, "Software\\No\\Such\\Key", "Long", data, &size));
}

TEST_F(Win32PlatformTest, OtherValueTypesComeAsTheirRawBytes) {
    SetRegistryDword(HKEY_CURRENT_USER, kKey, "Number", 0x31);
    unsigned char data[8] = {};
    uint32_t size = sizeof data;
    ASSERT_TRUE(platform.QueryValue(Hive::CurrentUser, kKey, "Number", data, &size));
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(data[0], 0x31);
    EXPECT_EQ(data[1], 0);
}

TEST_F(Win32PlatformTest, ExistingValueIsReplaced) {
    platform.SetStringValue(Hive::CurrentUser, kKey, "Name", "first");
    platform.SetStringValue(Hive::CurrentUser, kKey, "Name", "second");
    EXPECT_EQ(GetRegistryString(HKEY_CURRENT_USER, kKey, "Name"), "second");
}

// ---- files and folders ----

TEST_F(Win32PlatformTest, TemporaryFilesAreNewEmptyAndDistinct) {
    char first[MAX_PATH];
    char second[MAX_PATH];
    ASSERT_TRUE(platform.CreateTempFile(box.root().c_str(), "xxx", first, sizeof first));
    ASSERT_TRUE(platform.CreateTempFile(box.root().c_str(), "xxx", second, sizeof second));
    EXPECT_STRNE(first, second);
    EXPECT_EQ(std::string(first).rfind(box.root() + "\\xxx", 0), 0u) << first;
    EXPECT_TRUE(FileExists(first));
    EXPECT_EQ(ReadFile(first), "");
}

TEST_F(Win32PlatformTest, TemporaryFileNameThatDoesNotFitLeavesNoFile) {
    char name[8];
    EXPECT_FALSE(platform.CreateTempFile(box.root().c_str(), "xxx", name, sizeof name));
    EXPECT_EQ(box.Files(box.root(), ".tmp"), std::vector<std::string>{});
}

TEST_F(Win32PlatformTest, FolderAndFileServices) {
    const std::string folder = Path("new");
    EXPECT_FALSE(platform.PathExists(folder.c_str()));
    ASSERT_TRUE(platform.CreateFolder(folder.c_str()));
    EXPECT_TRUE(platform.PathExists(folder.c_str()));
    EXPECT_FALSE(platform.CreateFolder(folder.c_str()));
    EXPECT_FALSE(platform.CreateFolder(Path("missing\\child").c_str()));  // one level only

    WriteFile(Path("a.txt"), "alpha");
    ASSERT_TRUE(platform.CopyFileTo(Path("a.txt").c_str(), Path("b.txt").c_str(), true));
    EXPECT_EQ(ReadFile(Path("b.txt")), "alpha");
    WriteFile(Path("a.txt"), "beta");
    EXPECT_FALSE(platform.CopyFileTo(Path("a.txt").c_str(), Path("b.txt").c_str(), true));
    EXPECT_TRUE(platform.CopyFileTo(Path("a.txt").c_str(), Path("b.txt").c_str(), false));
    EXPECT_EQ(ReadFile(Path("b.txt")), "beta");
    EXPECT_TRUE(platform.RemoveFile(Path("b.txt").c_str()));
    EXPECT_FALSE(platform.RemoveFile(Path("b.txt").c_str()));
    EXPECT_FALSE(platform.PathExists(""));
}

TEST_F(Win32PlatformTest, ProfileStringsGoIntoTheIniFile) {
    const std::string file = Path("job.grp");
    ASSERT_TRUE(platform.WriteProfileString("Print Page Appended", "Image File Name", "C:\\x.TIF",
                                            file.c_str()));
    ASSERT_TRUE(
        platform.WriteProfileString("Zavor Printer", "Total Page Number", "3", file.c_str()));
    const auto lines = Lines(ReadFile(file));
    EXPECT_EQ(lines, (std::vector<std::string>{"[Print Page Appended]", "Image File Name=C:\\x.TIF",
                                               "[Zavor Printer]", "Total Page Number=3"}));
}

TEST_F(Win32PlatformTest, LogStreamIsTextMode) {
    const std::string file = Path("AroPrinter.log");
    std::FILE* log = platform.OpenLogFile(file.c_str());
    ASSERT_NE(log, nullptr);
    std::fputs("one\ntwo\n", log);
    std::fclose(log);
    EXPECT_EQ(ReadFile(file), "one\r\ntwo\r\n");
}

// ---- what the "A" calls report ----

TEST_F(Win32PlatformTest, TemporaryFolderEndsInABackslashAndReportsTheSizeItNeeds) {
    char folder[MAX_PATH];
    const uint32_t length = platform.GetTempPath(folder, sizeof folder);
    ASSERT_GT(length, 0u);
    EXPECT_EQ(length, std::strlen(folder));
    EXPECT_EQ(folder[length - 1], '\\');
    char small[4];
    EXPECT_GT(platform.GetTempPath(small, sizeof small), sizeof small);
}

TEST_F(Win32PlatformTest, EnvironmentExpansionCountsTheTerminator) {
    SetEnvironmentVariableA("ARO_TEST_PLACE", "C:\\place");
    char text[64];
    EXPECT_EQ(platform.ExpandEnvironment("%ARO_TEST_PLACE%\\scan", text, sizeof text), 14u);
    EXPECT_STREQ(text, "C:\\place\\scan");
    char small[4];
    EXPECT_EQ(platform.ExpandEnvironment("%ARO_TEST_PLACE%\\scan", small, sizeof small), 14u);
    EXPECT_EQ(platform.ExpandEnvironment("%ARO_TEST_NOT_SET%", text, sizeof text), 19u);
    EXPECT_STREQ(text, "%ARO_TEST_NOT_SET%");
}

TEST_F(Win32PlatformTest, LongPathOfAMissingPathIsZero) {
    char longForm[MAX_PATH];
    EXPECT_EQ(platform.GetLongPath(Path("missing").c_str(), longForm, sizeof longForm), 0u);
    const uint32_t length = platform.GetLongPath(box.root().c_str(), longForm, sizeof longForm);
    EXPECT_EQ(length, std::strlen(longForm));
    EXPECT_GT(length, 0u);
}

TEST_F(Win32PlatformTest, UserNameReportsItsLengthWithTheTerminator) {
    char name[256];
    uint32_t size = sizeof name;
    ASSERT_TRUE(platform.GetUserName(name, &size));
    EXPECT_EQ(size, std::strlen(name) + 1);
    char small[1];
    size = sizeof small;
    EXPECT_FALSE(platform.GetUserName(small, &size));
    EXPECT_EQ(size, std::strlen(name) + 1);
}

TEST_F(Win32PlatformTest, SystemFolderHasNoTrailingBackslash) {
    char folder[MAX_PATH];
    const uint32_t length = platform.GetSystemDirectory(folder, sizeof folder);
    ASSERT_GT(length, 0u);
    EXPECT_EQ(length, std::strlen(folder));
    EXPECT_NE(folder[length - 1], '\\');
}

TEST_F(Win32PlatformTest, FileVersionComesFromTheVersionResourceOnly) {
    uint16_t parts[4] = {};
    ASSERT_TRUE(platform.ReadFileVersion(ModulePath().c_str(), parts));
    const uint16_t expected[4] = {ARO_VERSION_PARTS};
    EXPECT_EQ(std::memcmp(parts, expected, sizeof parts), 0);
    // This test program carries no version resource.
    char program[MAX_PATH];
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    EXPECT_FALSE(platform.ReadFileVersion(program, parts));
    EXPECT_FALSE(platform.ReadFileVersion(Path("missing.dll").c_str(), parts));
}

// ---- messages and memory ----

TEST_F(Win32PlatformTest, MessagesGoToTheMessageRecordWithTheirFlags) {
    const std::string record = Path("messages.txt");
    SetEnvironmentVariableA("ARO_PRINTER_MESSAGE_LOG", record.c_str());
    platform.ShowMessage("first line\nsecond line", "ARO Printer", MB_OK | MB_TOPMOST);
    platform.ShowMessage("again", "Error", MB_OK);
    SetEnvironmentVariableA("ARO_PRINTER_MESSAGE_LOG", nullptr);
    EXPECT_EQ(ReadFile(record),
              "00040000 ARO Printer: first line\nsecond line\n00000000 Error: again\n");
}

TEST_F(Win32PlatformTest, AllocatedBlocksAreZeroed) {
    auto* block = static_cast<unsigned char*>(platform.AllocateZeroed(4096));
    ASSERT_NE(block, nullptr);
    for (int i = 0; i < 4096; ++i) ASSERT_EQ(block[i], 0) << i;
    platform.Free(block);
    void* empty = platform.AllocateZeroed(0);
    EXPECT_NE(empty, nullptr);
    platform.Free(empty);
    platform.Free(nullptr);
}

TEST_F(Win32PlatformTest, LocalTimeIsTheSystemsLocalTime) {
    SYSTEMTIME before;
    GetLocalTime(&before);
    const LocalTime now = platform.GetLocalTime();
    EXPECT_EQ(now.year, before.wYear);
    EXPECT_GE(now.month, 1);
    EXPECT_LE(now.month, 12);
    EXPECT_LT(now.milliseconds, 1000);
}

}  // namespace
}  // namespace aro::wtest
