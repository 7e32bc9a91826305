#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/posix/AtomicFile.h"
#include "platform/posix/RegistryHive.h"
#include "tests/platform/PosixTestSupport.h"

namespace aro::posix {
namespace {

using testing::PermissionBits;
using testing::ReadTextFile;
using testing::ScopedEnvironment;
using testing::ScratchFolder;
using testing::WriteTextFile;

constexpr const char* kKey = "Software\\ARO Digital\\Dovurezazuv";
constexpr const char* kHeader = "Windows Registry Editor Version 5.00\n\n";

std::vector<unsigned char> Bytes(std::initializer_list<int> values) {
    std::vector<unsigned char> bytes;
    for (int value : values) bytes.push_back(static_cast<unsigned char>(value));
    return bytes;
}

std::optional<HiveValue> Find(const std::string& text, const std::string& name,
                              const std::string& key = kKey, Hive hive = Hive::CurrentUser) {
    HiveValue value;
    if (!FindHiveValue(text, hive, key, name, &value)) return std::nullopt;
    return value;
}

std::optional<std::string> FindString(const std::string& text, const std::string& name,
                                      const std::string& key = kKey,
                                      Hive hive = Hive::CurrentUser) {
    auto value = Find(text, name, key, hive);
    if (!value || value->type != 1 || value->data.empty() || value->data.back() != 0) {
        return std::nullopt;
    }
    return std::string(value->data.begin(), value->data.end() - 1);
}

std::string UserSection(const std::string& body) {
    return std::string(kHeader) + "[HKEY_CURRENT_USER\\" + kKey + "]\n" + body;
}

// Runs body in a child process whose files may not grow past maxFileSize
// bytes (a full disk, even for root); returns what body returned.
bool InChildWithFileSizeLimit(rlim_t maxFileSize, const std::function<bool()>& body) {
    const pid_t child = fork();
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const struct rlimit limit = {maxFileSize, maxFileSize};
        setrlimit(RLIMIT_FSIZE, &limit);
        _exit(body() ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// ---- reading the format ----

TEST(RegistryHiveParse, ReadsEachValueType) {
    const std::string text = UserSection(
        "\"Path\"=\"C:\\\\Program Files\\\\ARO \\\"Zavor\\\"\"\n"
        "\"Pages\"=dword:0000000a\n"
        "\"Mask\"=DWORD:DEADbeef\n"
        "\"Blob\"=hex:01,02,\\\n"
        "  03,ff\n"
        "\"Expand\"=hex(2):41,00,\\\n"
        "\t42,00,\\\n"
        "   00,00\n"
        "\"Empty\"=hex:\n"
        "@=\"default\"\n");

    EXPECT_EQ(FindString(text, "Path"), "C:\\Program Files\\ARO \"Zavor\"");
    auto pages = Find(text, "Pages");
    ASSERT_TRUE(pages);
    EXPECT_EQ(pages->type, 4u);
    EXPECT_EQ(pages->data, Bytes({0x0a, 0, 0, 0}));
    EXPECT_EQ(Find(text, "Mask")->data, Bytes({0xef, 0xbe, 0xad, 0xde}));
    auto blob = Find(text, "Blob");
    ASSERT_TRUE(blob);
    EXPECT_EQ(blob->type, 3u);
    EXPECT_EQ(blob->data, Bytes({1, 2, 3, 0xff}));
    auto expand = Find(text, "Expand");
    ASSERT_TRUE(expand);
    EXPECT_EQ(expand->type, 2u);
    EXPECT_EQ(expand->data, Bytes({0x41, 0, 0x42, 0, 0, 0}));
    EXPECT_TRUE(Find(text, "Empty")->data.empty());
    EXPECT_EQ(FindString(text, ""), "default");
}

TEST(RegistryHiveParse, EmptyStringIsItsTerminator) {
    auto value = Find(UserSection("\"X\"=\"\"\n"), "X");
    ASSERT_TRUE(value);
    EXPECT_EQ(value->data, Bytes({0}));
}

TEST(RegistryHiveParse, RootsSelectTheHive) {
    const std::string text =
        "[HKCU\\Software\\A]\n\"V\"=\"user\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\A]\n\"V\"=\"machine\"\n\"OnlyMachine\"=\"m\"\n"
        "[HKEY_CLASSES_ROOT\\Software\\A]\n\"V\"=\"classes\"\n"
        "[hklm\\Software\\B]\n\"W\"=\"short machine\"\n";
    EXPECT_EQ(FindString(text, "V", "Software\\A", Hive::CurrentUser), "user");
    EXPECT_EQ(FindString(text, "V", "Software\\A", Hive::LocalMachine), "machine");
    EXPECT_EQ(FindString(text, "OnlyMachine", "Software\\A", Hive::CurrentUser), std::nullopt);
    EXPECT_EQ(FindString(text, "W", "Software\\B", Hive::LocalMachine), "short machine");
}

TEST(RegistryHiveParse, NamesIgnoreLetterCase) {
    const std::string text =
        "[hkey_current_user\\SOFTWARE\\aro digital\\DovuRezazuv]\n"
        "\"Output FOLDER\"=\"/out\"\n";
    EXPECT_EQ(FindString(text, "output folder"), "/out");
    EXPECT_EQ(FindString(text, "output folder", "Software\\ARO Digital"), std::nullopt);
}

TEST(RegistryHiveParse, LaterLinesOverrideAndSectionsMerge) {
    const std::string text = UserSection("\"A\"=\"1\"\n\"B\"=\"1\"\n") +
                             "[HKCU\\Software\\Other]\n\"A\"=\"other\"\n"
                             "[HKCU\\" +
                             kKey + "]\n\"A\"=\"2\"\n";
    EXPECT_EQ(FindString(text, "A"), "2");
    EXPECT_EQ(FindString(text, "B"), "1");
}

TEST(RegistryHiveParse, DeletesValuesAndKeysWithTheirSubkeys) {
    const std::string text =
        std::string(kHeader) +
        "[HKCU\\Software\\ARO Digital\\Dovurezazuv]\n\"A\"=\"1\"\n\"B\"=\"1\"\n"
        "\"A\"=-\n"
        "[HKCU\\Software\\ARO Digital2]\n\"S\"=\"sibling\"\n"
        "[HKCU\\Software\\ARO Digital]\n\"P\"=\"parent\"\n"
        "[-HKEY_CURRENT_USER\\software\\aro digital]\n"
        "\"Ignored\"=\"in a deletion\"\n"
        "[HKCU\\Software\\ARO Digital\\Dovurezazuv]\n\"C\"=\"after\"\n";
    EXPECT_EQ(FindString(text, "A"), std::nullopt);
    EXPECT_EQ(FindString(text, "B"), std::nullopt);
    EXPECT_EQ(FindString(text, "P", "Software\\ARO Digital"), std::nullopt);
    EXPECT_EQ(FindString(text, "S", "Software\\ARO Digital2"), "sibling");
    EXPECT_EQ(FindString(text, "Ignored", "Software\\ARO Digital"), std::nullopt);
    EXPECT_EQ(FindString(text, "C"), "after");
}

TEST(RegistryHiveParse, MalformedLinesHoldNothingAndStopNothing) {
    const std::string text = "\"Outside\"=\"no section\"\n" +
                             UserSection(
                                 "\"Kept\"=\"good\"\n"
                                 "\"Kept\"=dword:xyz\n"
                                 "\"Open\"=\"no end\n"
                                 "\"BadHex\"=hex:1,zz\n"
                                 "\"LongDword\"=dword:123456789\n"
                                 "\"Cut\"=hex:01,\\\n") +
                             "[HKCU\\Software\\Next]\n"
                             "\"After\"=\"still read\"\n"
                             "[HKCU\\Software\\Broken\n"
                             "\"Stray\"=\"not in Next\"\n";
    EXPECT_EQ(FindString(text, "Outside"), std::nullopt);
    EXPECT_EQ(FindString(text, "Kept"), "good");
    EXPECT_EQ(Find(text, "Open"), std::nullopt);
    EXPECT_EQ(Find(text, "BadHex"), std::nullopt);
    EXPECT_EQ(Find(text, "LongDword"), std::nullopt);
    EXPECT_EQ(Find(text, "Cut"), std::nullopt);
    EXPECT_EQ(FindString(text, "After", "Software\\Next"), "still read");
    EXPECT_EQ(FindString(text, "Stray", "Software\\Next"), std::nullopt);
}

TEST(RegistryHiveParse, AcceptsCrlfBomCommentsAndBlanks) {
    const std::string text =
        "\xEF\xBB\xBFREGEDIT4\r\n\r\n  ; a comment \"A\"=\"x\"\r\n"
        "[HKCU\\Software\\ARO Digital\\Dovurezazuv]  \r\n"
        "  \"A\" = \"crlf\"  \r\n"
        "\"H\"=hex:0a,\\\r\n  0b\r\n";
    EXPECT_EQ(FindString(text, "A"), "crlf");
    EXPECT_EQ(Find(text, "H")->data, Bytes({0x0a, 0x0b}));
}

// ---- reading a hive file ----

TEST(RegistryHiveRead, CopiesDataThatFits) {
    ScratchFolder folder;
    const std::string file = folder / "user.reg";
    WriteTextFile(file, UserSection("\"V\"=\"abc\"\n\"E\"=\"\"\n"));

    unsigned char data[8] = {};
    uint32_t size = 4;
    ASSERT_TRUE(ReadHiveValue(file, Hive::CurrentUser, kKey, "V", data, &size));
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(data), 4), std::string("abc\0", 4));

    size = sizeof(data);
    ASSERT_TRUE(ReadHiveValue(file, Hive::CurrentUser, kKey, "E", data, &size));
    EXPECT_EQ(size, 1u);
}

TEST(RegistryHiveRead, RefusesDataLongerThanCapacity) {
    ScratchFolder folder;
    const std::string file = folder / "user.reg";
    WriteTextFile(file, UserSection("\"V\"=\"abc\"\n"));
    unsigned char data[8] = {0x55, 0x55, 0x55, 0x55};
    uint32_t size = 3;
    EXPECT_FALSE(ReadHiveValue(file, Hive::CurrentUser, kKey, "V", data, &size));
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(data[0], 0x55);
}

TEST(RegistryHiveRead, AbsentFileKeyOrValueIsFalse) {
    ScratchFolder folder;
    const std::string file = folder / "user.reg";
    unsigned char data[8];
    uint32_t size = sizeof(data);
    EXPECT_FALSE(ReadHiveValue(file, Hive::CurrentUser, kKey, "V", data, &size));
    WriteTextFile(file, UserSection("\"V\"=\"abc\"\n"));
    EXPECT_FALSE(ReadHiveValue(file, Hive::CurrentUser, "Software\\None", "V", data, &size));
    EXPECT_FALSE(ReadHiveValue(file, Hive::CurrentUser, kKey, "W", data, &size));
    EXPECT_FALSE(ReadHiveValue(folder.path(), Hive::CurrentUser, kKey, "V", data, &size));
}

TEST(RegistryHivePath, FollowsTheEnvironment) {
    ScopedEnvironment user("ARO_PRINTER_HKCU", "/srv/hkcu.reg");
    ScopedEnvironment machine("ARO_PRINTER_HKLM", std::nullopt);
    ScopedEnvironment config("XDG_CONFIG_HOME", "/cfg");
    ScopedEnvironment home("HOME", "/home/zavor");
    EXPECT_EQ(HiveFilePath(Hive::CurrentUser), "/srv/hkcu.reg");
    EXPECT_EQ(HiveFilePath(Hive::LocalMachine), "/etc/aro-printer/machine.reg");
    {
        ScopedEnvironment emptyUser("ARO_PRINTER_HKCU", "");
        EXPECT_EQ(HiveFilePath(Hive::CurrentUser), "");
    }
    {
        ScopedEnvironment unsetUser("ARO_PRINTER_HKCU", std::nullopt);
        EXPECT_EQ(HiveFilePath(Hive::CurrentUser), "/cfg/aro-printer/user.reg");
        ScopedEnvironment emptyConfig("XDG_CONFIG_HOME", "");
        EXPECT_EQ(HiveFilePath(Hive::CurrentUser), "/home/zavor/.config/aro-printer/user.reg");
        ScopedEnvironment relativeConfig("XDG_CONFIG_HOME", "cfg");
        EXPECT_EQ(HiveFilePath(Hive::CurrentUser), "/home/zavor/.config/aro-printer/user.reg");
    }
    ScopedEnvironment setMachine("ARO_PRINTER_HKLM", "/srv/hklm.reg");
    EXPECT_EQ(HiveFilePath(Hive::LocalMachine), "/srv/hklm.reg");
}

// ---- writing ----

class RegistryHiveWrite : public ::testing::Test {
protected:
    bool Write(const std::string& key, const std::string& name, const std::string& text,
               Hive hive = Hive::CurrentUser) {
        return WriteHiveString(m_file, hive, key.c_str(), name.c_str(), text.c_str());
    }
    std::optional<std::string> ReadBack(const std::string& key, const std::string& name,
                                        Hive hive = Hive::CurrentUser) {
        return FindString(ReadTextFile(m_file), name, key, hive);
    }

    ScratchFolder m_folder;
    std::string m_file = m_folder / "user.reg";
};

TEST_F(RegistryHiveWrite, CreatesFoldersFileAndKey) {
    m_file = m_folder / "a/b/c/user.reg";
    ASSERT_TRUE(Write("Software\\ARO Digital\\Versions", "ARO Printer DLL (AroPrinterCfg.dll)",
                      "2.1.7.0 @ /usr/lib"));
    EXPECT_EQ(ReadTextFile(m_file),
              "Windows Registry Editor Version 5.00\n\n"
              "[HKEY_CURRENT_USER\\Software\\ARO Digital\\Versions]\n"
              "\"ARO Printer DLL (AroPrinterCfg.dll)\"=\"2.1.7.0 @ /usr/lib\"\n");
    unsigned char data[64];
    uint32_t size = sizeof(data);
    ASSERT_TRUE(ReadHiveValue(m_file, Hive::CurrentUser, "software\\aro digital\\versions",
                              "aro printer dll (aroprintercfg.dll)", data, &size));
    EXPECT_EQ(size, sizeof("2.1.7.0 @ /usr/lib"));
}

TEST_F(RegistryHiveWrite, WritesThroughALinkedHiveFile) {
    const std::string shared = m_folder / "shared.reg";
    std::FILE* f = std::fopen(shared.c_str(), "w");
    std::fputs("Windows Registry Editor Version 5.00\n", f);
    std::fclose(f);
    ASSERT_EQ(symlink(shared.c_str(), m_file.c_str()), 0);
    ASSERT_TRUE(Write("Software\\Test", "V", "x"));
    struct stat info {};
    ASSERT_EQ(lstat(m_file.c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(FindString(ReadTextFile(shared), "V", "Software\\Test", Hive::CurrentUser), "x");
}

TEST_F(RegistryHiveWrite, ReplacesTheValueLineAndKeepsEveryOtherByte) {
    const std::string before =
        "Windows Registry Editor Version 5.00\n\n"
        "; settings of the printer\n"
        "[HKEY_CURRENT_USER\\Software\\ARO Digital\\Dovurezazuv]\n"
        "\"Output\"  =  \"/old\"\n"
        "\"Version\"=hex(1):31,00,\\\n"
        "  00\n"
        "\"Zoom\"=dword:00000064\n"
        "\n"
        "[HKCU\\Software\\Other]\n"
        "\"Version\"=\"untouched\"\n";
    WriteTextFile(m_file, before);
    ASSERT_TRUE(Write("SOFTWARE\\aro digital\\Dovurezazuv", "VERSION", "2.1.7.0"));
    ASSERT_TRUE(Write(kKey, "Output", "/new"));
    EXPECT_EQ(ReadTextFile(m_file),
              "Windows Registry Editor Version 5.00\n\n"
              "; settings of the printer\n"
              "[HKEY_CURRENT_USER\\Software\\ARO Digital\\Dovurezazuv]\n"
              "\"Output\"=\"/new\"\n"
              "\"Version\"=\"2.1.7.0\"\n"
              "\"Zoom\"=dword:00000064\n"
              "\n"
              "[HKCU\\Software\\Other]\n"
              "\"Version\"=\"untouched\"\n");
}

TEST_F(RegistryHiveWrite, AddsValueAfterLastValueOfLastLiveSection) {
    WriteTextFile(m_file,
                  "[HKCU\\Software\\A]\n\"X\"=\"1\"\n\n"
                  "[HKCU\\Software\\A]\n\"Y\"=\"2\"\n; next section\n\n"
                  "[HKCU\\Software\\B]\n\"X\"=\"b\"");
    ASSERT_TRUE(Write("Software\\A", "Z", "3"));
    ASSERT_TRUE(Write("Software\\B", "New", "n"));
    EXPECT_EQ(ReadTextFile(m_file),
              "[HKCU\\Software\\A]\n\"X\"=\"1\"\n\n"
              "[HKCU\\Software\\A]\n\"Y\"=\"2\"\n\"Z\"=\"3\"\n; next section\n\n"
              "[HKCU\\Software\\B]\n\"X\"=\"b\"\n\"New\"=\"n\"\n");
}

TEST_F(RegistryHiveWrite, StoresAfterKeyDeletionInNewSection) {
    WriteTextFile(m_file, "[HKCU\\Software\\A\\Sub]\n\"X\"=\"old\"\n[-HKCU\\Software\\A]\n");
    ASSERT_TRUE(Write("Software\\A\\Sub", "X", "new"));
    EXPECT_EQ(ReadTextFile(m_file),
              "[HKCU\\Software\\A\\Sub]\n\"X\"=\"old\"\n[-HKCU\\Software\\A]\n\n"
              "[HKEY_CURRENT_USER\\Software\\A\\Sub]\n\"X\"=\"new\"\n");
}

TEST_F(RegistryHiveWrite, KeepsHivesApart) {
    WriteTextFile(m_file, "[HKCU\\Software\\A]\n\"X\"=\"user\"\n");
    ASSERT_TRUE(Write("Software\\A", "X", "machine", Hive::LocalMachine));
    EXPECT_EQ(ReadBack("Software\\A", "X", Hive::CurrentUser), "user");
    EXPECT_EQ(ReadBack("Software\\A", "X", Hive::LocalMachine), "machine");
    EXPECT_NE(ReadTextFile(m_file).find("[HKEY_LOCAL_MACHINE\\Software\\A]"), std::string::npos);
}

TEST_F(RegistryHiveWrite, EscapesQuotesBackslashesAndLineBreaks) {
    const std::string name = "Na\"me\\";
    const std::string text = "C:\\Dir\\\"quoted\" \\";
    const std::string multiLine = "line 1\nline 2\r\n[HKCU\\Software\\Injected]";
    ASSERT_TRUE(Write(kKey, name, text));
    ASSERT_TRUE(Write(kKey, "Multi", multiLine));
    ASSERT_TRUE(Write(kKey, "Default", ""));
    ASSERT_TRUE(Write(kKey, "", "at"));
    EXPECT_EQ(ReadBack(kKey, name), text);
    EXPECT_EQ(ReadBack(kKey, "Multi"), multiLine);
    EXPECT_EQ(ReadBack(kKey, "Default"), "");
    EXPECT_EQ(ReadBack(kKey, ""), "at");
    EXPECT_EQ(Find(ReadTextFile(m_file), "X", "Software\\Injected"), std::nullopt);
    EXPECT_NE(ReadTextFile(m_file).find("\n@=\"at\"\n"), std::string::npos);
    EXPECT_FALSE(Write("Software\\Bad\nKey", "X", "1"));
}

TEST_F(RegistryHiveWrite, KeepsCrlfBomAndMode) {
    WriteTextFile(m_file, "\xEF\xBB\xBFREGEDIT4\r\n\r\n[HKCU\\Software\\A]\r\n\"X\"=\"1\"\r\n");
    chmod(m_file.c_str(), 0640);
    ASSERT_TRUE(Write("Software\\A", "Y", "2"));
    ASSERT_TRUE(Write("Software\\B", "Z", "3"));
    EXPECT_EQ(ReadTextFile(m_file),
              "\xEF\xBB\xBFREGEDIT4\r\n\r\n[HKCU\\Software\\A]\r\n\"X\"=\"1\"\r\n\"Y\"=\"2\"\r\n"
              "\r\n[HKEY_CURRENT_USER\\Software\\B]\r\n\"Z\"=\"3\"\r\n");
    EXPECT_EQ(PermissionBits(m_file), 0640u);
}

TEST_F(RegistryHiveWrite, FailsWhereNoFolderCanBeMade) {
    WriteTextFile(m_folder / "plain", "not a folder");
    m_file = m_folder / "plain/sub/user.reg";
    EXPECT_FALSE(Write(kKey, "X", "1"));
    EXPECT_EQ(ReadTextFile(m_folder / "plain"), "not a folder");
}

TEST_F(RegistryHiveWrite, FailsInReadOnlyFolderLeavingFileAlone) {
    if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    WriteTextFile(m_file, UserSection("\"X\"=\"old\"\n"));
    const std::string before = ReadTextFile(m_file);
    chmod(m_folder.path().c_str(), 0555);
    EXPECT_FALSE(Write(kKey, "X", "new"));
    chmod(m_folder.path().c_str(), 0755);
    EXPECT_EQ(ReadTextFile(m_file), before);
}

TEST_F(RegistryHiveWrite, FullDiskLeavesOldFileAndNoTemporaryFile) {
    WriteTextFile(m_file, UserSection("\"X\"=\"old\"\n"));
    const std::string before = ReadTextFile(m_file);
    ASSERT_TRUE(Write(kKey, "Lock", "made"));  // the lock file exists from now on
    const std::string withLock = ReadTextFile(m_file);
    const auto entries = FolderEntries(m_folder.path());
    EXPECT_FALSE(InChildWithFileSizeLimit(16, [&] { return Write(kKey, "X", "new"); }));
    EXPECT_EQ(ReadTextFile(m_file), withLock);
    EXPECT_EQ(FolderEntries(m_folder.path()), entries);
    EXPECT_NE(before, withLock);
}

TEST_F(RegistryHiveWrite, ConcurrentWritersLoseNothing) {
    constexpr int kRounds = 200;
    auto writer = [&](const char* name) {
        const pid_t child = fork();
        if (child == 0) {
            bool ok = true;
            for (int round = 0; round < kRounds; ++round) {
                ok = Write(kKey, name, std::string(name) + "-" + std::to_string(round)) && ok;
            }
            _exit(ok ? 0 : 1);
        }
        return child;
    };
    const pid_t first = writer("A");
    const pid_t second = writer("B");

    // Every snapshot a reader sees is a whole file; a value once there stays.
    bool sawA = false, sawB = false, broken = false;
    int running = 2, failedChildren = 0;
    while (running > 0) {
        int status = 0;
        const pid_t done = waitpid(-1, &status, WNOHANG);
        if (done == first || done == second) {
            --running;
            if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) ++failedChildren;
        }
        std::string text;
        if (ReadRegularFile(m_file, &text) != FileReadResult::Read) continue;
        const bool hasA = FindString(text, "A").has_value();
        const bool hasB = FindString(text, "B").has_value();
        if (text.empty() || text.rfind(kHeader, 0) != 0 || text.back() != '\n') broken = true;
        if ((sawA && !hasA) || (sawB && !hasB)) broken = true;
        sawA = hasA;
        sawB = hasB;
    }
    EXPECT_FALSE(broken);
    EXPECT_EQ(failedChildren, 0);
    EXPECT_EQ(ReadBack(kKey, "A"), "A-199");
    EXPECT_EQ(ReadBack(kKey, "B"), "B-199");
    EXPECT_EQ(FolderEntries(m_folder.path()),
              (std::vector<std::string>{"user.reg", "user.reg.lock"}));
}

// A lock held elsewhere (a hung tool, another user's process holding a lock
// file it could open) never holds a job up: a value that is already stored
// takes no lock, another value is skipped after a bounded wait with the file
// untouched, and lock files are private to their owner.
TEST_F(RegistryHiveWrite, HeldLockNeverBlocksTheWrite) {
    using Clock = std::chrono::steady_clock;
    const std::string lockFile = m_file + ".lock";
    const mode_t oldMask = umask(0);
    const bool stored = Write(kKey, "Version", "1");
    umask(oldMask);
    ASSERT_TRUE(stored);
    EXPECT_EQ(PermissionBits(lockFile), 0600u);
    const std::string before = ReadTextFile(m_file);

    // flock() sets one open file against another, even in one process; a
    // read-only descriptor is all a holder needs.
    const int holder = open(lockFile.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);

    Clock::time_point started = Clock::now();
    EXPECT_TRUE(Write(kKey, "VERSION", "1"));  // already stored: no lock, no wait
    EXPECT_LT(Clock::now() - started, std::chrono::milliseconds(250));

    started = Clock::now();
    EXPECT_FALSE(Write(kKey, "Version", "2"));
    const Clock::duration waited = Clock::now() - started;
    EXPECT_GE(waited, kHiveLockWait);
    EXPECT_LT(waited, kHiveLockWait + std::chrono::milliseconds(750));
    EXPECT_EQ(ReadTextFile(m_file), before);
    EXPECT_EQ(FolderEntries(m_folder.path()),
              (std::vector<std::string>{"user.reg", "user.reg.lock"}));

    // Given up, the lock is there for the next write at once.
    close(holder);
    EXPECT_TRUE(Write(kKey, "Version", "2"));
    EXPECT_EQ(ReadBack(kKey, "Version"), "2");

    // A lock file an earlier version left open to everyone is made private.
    ASSERT_EQ(chmod(lockFile.c_str(), 0666), 0);
    EXPECT_TRUE(Write(kKey, "Version", "3"));
    EXPECT_EQ(PermissionBits(lockFile), 0600u);
}

// The bytes of a UTF-16 text, little-endian unless asked otherwise.
std::string Utf16Bytes(const std::u16string& text, bool bigEndian = false) {
    std::string bytes;
    for (char16_t unit : text) {
        const char low = static_cast<char>(unit & 0xFF);
        const char high = static_cast<char>(unit >> 8);
        bytes.push_back(bigEndian ? high : low);
        bytes.push_back(bigEndian ? low : high);
    }
    return bytes;
}

// The file converted by iconv from UTF-16 (byte-order mark read and dropped)
// to UTF-8, or nothing when iconv finds it malformed.
std::optional<std::string> IconvFromUtf16(const std::string& file) {
    std::FILE* pipe = popen(("iconv -f UTF-16 -t UTF-8 '" + file + "' 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) return std::nullopt;
    std::string text;
    char buffer[4096];
    for (std::size_t count; (count = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0;) {
        text.append(buffer, count);
    }
    const int status = pclose(pipe);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
    return text;
}

// regedit exports UTF-16 LE with byte-order mark and CRLF: such a file is
// read, and written back in its own encoding with every other line kept. A
// file that cannot be written back as it is stays byte for byte; a UTF-8 file
// with malformed lines or bytes that are no UTF-8 is written as ever.
TEST_F(RegistryHiveWrite, Utf16HiveIsWrittenInItsOwnEncoding) {
    const std::u16string exported =
        u"Windows Registry Editor Version 5.00\r\n"
        u"\r\n"
        u"; Gr\u00fc\u00dfe \U0001D11E\r\n"
        u"[HKEY_CURRENT_USER\\Software\\ARO Digital\\Dovurezazuv]\r\n"
        u"\"AlternateKey\"=\"Software\\\\Ablage \u20ac\"\r\n"
        u"\"CutLines\"=\"08\"\r\n"
        u"\r\n";
    const std::string exportedUtf8 =
        u8"Windows Registry Editor Version 5.00\r\n"
        u8"\r\n"
        u8"; Gr\u00fc\u00dfe \U0001D11E\r\n"
        u8"[HKEY_CURRENT_USER\\Software\\ARO Digital\\Dovurezazuv]\r\n"
        u8"\"AlternateKey\"=\"Software\\\\Ablage \u20ac\"\r\n"
        u8"\"CutLines\"=\"08\"\r\n"
        u8"\r\n";
    const std::string utf16File = "\xFF\xFE" + Utf16Bytes(exported);
    WriteTextFile(m_file, utf16File);
    ASSERT_EQ(IconvFromUtf16(m_file), exportedUtf8);

    // Read: the texts arrive as UTF-8.
    unsigned char data[64] = {};
    uint32_t size = sizeof(data);
    ASSERT_TRUE(ReadHiveValue(m_file, Hive::CurrentUser, kKey, "AlternateKey", data, &size));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(data), size),
              std::string(u8"Software\\Ablage \u20ac") + '\0');

    // Written: a new key, then a changed value, in UTF-16 LE with CRLF.
    const char* versions = "Software\\ARO Digital\\Versions";
    const char* record = "ARO Printer DLL (AroPrinterCfg.dll)";
    ASSERT_TRUE(Write(versions, record, "2.1.7.0 @ /usr/lib"));
    ASSERT_TRUE(Write(kKey, "CutLines", u8"1\u00b2"));
    const std::string written = ReadTextFile(m_file);
    EXPECT_EQ(written.substr(0, 2), "\xFF\xFE");
    EXPECT_EQ(IconvFromUtf16(m_file),
              std::string(u8"Windows Registry Editor Version 5.00\r\n"
                          u8"\r\n"
                          u8"; Gr\u00fc\u00dfe \U0001D11E\r\n"
                          u8"[HKEY_CURRENT_USER\\Software\\ARO Digital\\Dovurezazuv]\r\n"
                          u8"\"AlternateKey\"=\"Software\\\\Ablage \u20ac\"\r\n"
                          u8"\"CutLines\"=\"1\u00b2\"\r\n"
                          u8"\r\n"
                          u8"[HKEY_CURRENT_USER\\Software\\ARO Digital\\Versions]\r\n"
                          u8"\"ARO Printer DLL (AroPrinterCfg.dll)\"=\"2.1.7.0 @ /usr/lib\"\r\n"));
    EXPECT_EQ(written.substr(0, utf16File.size() - 8 * 2),
              utf16File.substr(0, utf16File.size() - 8 * 2))
        << "the lines before the changed one, byte for byte";
    size = sizeof(data);
    ASSERT_TRUE(ReadHiveValue(m_file, Hive::CurrentUser, versions, record, data, &size));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(data), size),
              std::string("2.1.7.0 @ /usr/lib") + '\0');
    EXPECT_EQ(FolderEntries(m_folder.path()),
              (std::vector<std::string>{"user.reg", "user.reg.lock"}));

    // Files that cannot be written back as they are: left alone, and reads
    // of what does decode still work.
    const std::string unwritable[] = {
        utf16File + "\n",  // an odd byte count
        "\xFF\xFE" + Utf16Bytes(exported.substr(0, 40) + u'\xD800' + exported.substr(40)),
        "\xFF\xFE" + Utf16Bytes(exported.substr(0, 40) + u'\xDC00' + exported.substr(40)),
        Utf16Bytes(exported),                     // UTF-16 without byte-order mark
        "\xFE\xFF" + Utf16Bytes(exported, true),  // UTF-16 big-endian
    };
    for (const std::string& bytes : unwritable) {
        WriteTextFile(m_file, bytes);
        EXPECT_FALSE(Write(versions, record, "2.1.7.0 @ /usr/lib"));
        EXPECT_EQ(ReadTextFile(m_file), bytes);
    }
    WriteTextFile(m_file, utf16File + "\n");
    size = sizeof(data);
    EXPECT_TRUE(ReadHiveValue(m_file, Hive::CurrentUser, kKey, "CutLines", data, &size));

    // A UTF-8 file with a malformed line and a Latin-1 byte: written as ever.
    const std::string latin = UserSection(
        "\"Open\"=\"no end\n\"Name\"=\"Gr\xFC\xDF"
        "e\"\n");
    WriteTextFile(m_file, latin);
    ASSERT_TRUE(Write(kKey, "New", "n"));
    EXPECT_EQ(ReadTextFile(m_file), latin + "\"New\"=\"n\"\n");
}

// ---- deleting ----

class RegistryHiveDelete : public RegistryHiveWrite {
protected:
    bool Delete(const std::string& key, const std::string& name, Hive hive = Hive::CurrentUser) {
        return DeleteHiveValue(m_file, hive, key.c_str(), name.c_str());
    }
};

// Every line that gives the value in a live section of the key goes, with
// its continuation lines; comments, deletion marks, malformed lines, other
// keys and the other hive stay byte for byte.
TEST_F(RegistryHiveDelete, RemovesEveryLiveSetterAndKeepsEveryOtherByte) {
    WriteTextFile(m_file,
                  "Windows Registry Editor Version 5.00\r\n\r\n"
                  "; machine settings\r\n"
                  "[HKEY_CURRENT_USER\\Software\\ARO Digital\\Dovurezazuv]\r\n"
                  "\"MaxPagesCount\"=\"5\"\r\n"
                  "\"Other\"=\"kept\"\r\n"
                  "[HKEY_LOCAL_MACHINE\\Software\\ARO Digital\\Dovurezazuv]\r\n"
                  "\"MaxPagesCount\"=\"7\"\r\n"
                  "[HKCU\\software\\aro digital\\DOVUREZAZUV]\r\n"
                  "\"maxpagescount\"=hex(1):33,\\\r\n"
                  "  00\r\n"
                  "\"MaxPagesCount\"=\"open\r\n"
                  "\"MaxPagesCount\"=-\r\n"
                  "\"MaxPagesCount\"=dword:00000002");
    ASSERT_TRUE(Delete(kKey, "MaxPagesCount"));
    EXPECT_EQ(ReadTextFile(m_file),
              "Windows Registry Editor Version 5.00\r\n\r\n"
              "; machine settings\r\n"
              "[HKEY_CURRENT_USER\\Software\\ARO Digital\\Dovurezazuv]\r\n"
              "\"Other\"=\"kept\"\r\n"
              "[HKEY_LOCAL_MACHINE\\Software\\ARO Digital\\Dovurezazuv]\r\n"
              "\"MaxPagesCount\"=\"7\"\r\n"
              "[HKCU\\software\\aro digital\\DOVUREZAZUV]\r\n"
              "\"MaxPagesCount\"=\"open\r\n"
              "\"MaxPagesCount\"=-\r\n");
    EXPECT_EQ(ReadBack(kKey, "MaxPagesCount"), std::nullopt);
    EXPECT_EQ(ReadBack(kKey, "MaxPagesCount", Hive::LocalMachine), "7");
    EXPECT_EQ(ReadBack(kKey, "Other"), "kept");
}

// Lines before a deletion of the key (or of a key above it) are dead
// already and stay as they are.
TEST_F(RegistryHiveDelete, LeavesLinesBeforeAKeyDeletion) {
    const std::string dead =
        "[HKEY_CURRENT_USER\\Software\\ARO Digital\\Dovurezazuv]\n"
        "\"FileNameMode\"=\"2\"\n"
        "[-HKEY_CURRENT_USER\\Software\\ARO Digital]\n";
    WriteTextFile(m_file, std::string(kHeader) + dead + "[HKEY_CURRENT_USER\\" + kKey +
                              "]\n\"FileNameMode\"=\"4\"\n");
    ASSERT_TRUE(Delete(kKey, "FileNameMode"));
    EXPECT_EQ(ReadTextFile(m_file),
              std::string(kHeader) + dead + "[HKEY_CURRENT_USER\\" + kKey + "]\n");
    EXPECT_EQ(ReadBack(kKey, "FileNameMode"), std::nullopt);
}

// Nothing to delete: no file is made, an existing one keeps its bytes and
// its time stamp, and no lock file appears.
TEST_F(RegistryHiveDelete, AbsentValueTouchesNothing) {
    ASSERT_TRUE(Delete(kKey, "FileNameMode"));
    EXPECT_TRUE(FolderEntries(m_folder.path()).empty());

    const std::string text = UserSection("\"TempfileName\"=\"Scan\"\n\"FileNameMode\"=-\n");
    WriteTextFile(m_file, text);
    struct stat before {};
    ASSERT_EQ(stat(m_file.c_str(), &before), 0);
    ASSERT_TRUE(Delete(kKey, "FileNameMode"));
    ASSERT_TRUE(Delete("Software\\Absent", "TempfileName"));
    ASSERT_TRUE(Delete(kKey, "TempfileName", Hive::LocalMachine));
    EXPECT_EQ(ReadTextFile(m_file), text);
    struct stat after {};
    ASSERT_EQ(stat(m_file.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(FolderEntries(m_folder.path()), (std::vector<std::string>{"user.reg"}));
}

// UTF-16 files stay UTF-16 with their byte-order mark; files that could not
// be written back, and a lock held too long, leave the file untouched.
TEST_F(RegistryHiveDelete, KeepsTheEncodingAndFailsLikeTheWriter) {
    const std::u16string exported =
        u"Windows Registry Editor Version 5.00\r\n\r\n"
        u"[HKEY_LOCAL_MACHINE\\Software\\ARO Digital\\Dovurezazuv]\r\n"
        u"\"PrintGrpFile\"=\"1\"\r\n"
        u"\"Note\"=\"Gr\u00fc\u00dfe\"\r\n";
    WriteTextFile(m_file, "\xFF\xFE" + Utf16Bytes(exported));
    ASSERT_TRUE(Delete(kKey, "PrintGrpFile", Hive::LocalMachine));
    EXPECT_EQ(ReadTextFile(m_file).substr(0, 2), "\xFF\xFE");
    EXPECT_EQ(IconvFromUtf16(m_file),
              std::string(u8"Windows Registry Editor Version 5.00\r\n\r\n"
                          u8"[HKEY_LOCAL_MACHINE\\Software\\ARO Digital\\Dovurezazuv]\r\n"
                          u8"\"Note\"=\"Gr\u00fc\u00dfe\"\r\n"));

    // An odd byte count: readable, but it would not be written back the same.
    const std::string odd = "\xFF\xFE" + Utf16Bytes(exported) + "\n";
    WriteTextFile(m_file, odd);
    EXPECT_FALSE(Delete(kKey, "Note", Hive::LocalMachine));
    EXPECT_EQ(ReadTextFile(m_file), odd);

    const std::string text = UserSection("\"Debug\"=\"1\"\n");
    WriteTextFile(m_file, text);
    const int holder = open((m_file + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);
    EXPECT_FALSE(Delete(kKey, "Debug"));
    close(holder);
    EXPECT_EQ(ReadTextFile(m_file), text);
    ASSERT_TRUE(Delete(kKey, "Debug"));
    EXPECT_EQ(ReadTextFile(m_file), UserSection(""));
}

}  // namespace
}  // namespace aro::posix
