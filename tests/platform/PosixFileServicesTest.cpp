#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <set>
#include <string>

#include "platform/posix/PosixPlatform.h"
#include "tests/platform/PosixTestSupport.h"

namespace aro::posix {
namespace {

using testing::PermissionBits;
using testing::ReadTextFile;
using testing::ScratchFolder;
using testing::WriteTextFile;

class PosixFiles : public ::testing::Test {
protected:
    PosixPlatform m_platform;
    ScratchFolder m_scratch;
};

TEST_F(PosixFiles, LongPathResolvesLinksAndDots) {
    ASSERT_EQ(mkdir((m_scratch / "real").c_str(), 0700), 0);
    ASSERT_EQ(symlink((m_scratch / "real").c_str(), (m_scratch / "link").c_str()), 0);
    char buffer[4096];
    const std::string query = m_scratch / "link/../link";
    const uint32_t length = m_platform.GetLongPath(query.c_str(), buffer, sizeof(buffer));
    char* expected = realpath((m_scratch / "real").c_str(), nullptr);
    ASSERT_NE(expected, nullptr);
    EXPECT_STREQ(buffer, expected);
    EXPECT_EQ(length, std::strlen(expected));
    EXPECT_EQ(m_platform.GetLongPath(query.c_str(), buffer, length), length + 1);
    EXPECT_EQ(m_platform.GetLongPath(query.c_str(), nullptr, 0), length + 1);
    std::free(expected);
}

TEST_F(PosixFiles, LongPathFailsForMissingFolder) {
    char buffer[4096];
    EXPECT_EQ(m_platform.GetLongPath((m_scratch / "missing").c_str(), buffer, sizeof(buffer)), 0u);
    EXPECT_EQ(m_platform.GetLongPath((m_scratch / "missing/x").c_str(), buffer, sizeof(buffer)),
              0u);
    EXPECT_EQ(m_platform.GetLongPath("", buffer, sizeof(buffer)), 0u);
}

TEST_F(PosixFiles, PathExistsForAnyEntry) {
    WriteTextFile(m_scratch / "file", "x");
    ASSERT_EQ(symlink((m_scratch / "nowhere").c_str(), (m_scratch / "dangling").c_str()), 0);
    EXPECT_TRUE(m_platform.PathExists(m_scratch.path().c_str()));
    EXPECT_TRUE(m_platform.PathExists((m_scratch / "file").c_str()));
    EXPECT_TRUE(m_platform.PathExists((m_scratch / "dangling").c_str()));
    EXPECT_FALSE(m_platform.PathExists((m_scratch / "nowhere").c_str()));
    EXPECT_FALSE(m_platform.PathExists(""));
}

TEST_F(PosixFiles, CreateFolderAndRemoveFileReportFailure) {
    EXPECT_TRUE(m_platform.CreateFolder((m_scratch / "a").c_str()));
    EXPECT_TRUE(std::filesystem::is_directory(m_scratch / "a"));
    EXPECT_FALSE(m_platform.CreateFolder((m_scratch / "a").c_str()));
    EXPECT_FALSE(m_platform.CreateFolder((m_scratch / "b/c").c_str()));
    EXPECT_FALSE(m_platform.CreateFolder(""));
    WriteTextFile(m_scratch / "file", "x");
    EXPECT_TRUE(m_platform.RemoveFile((m_scratch / "file").c_str()));
    EXPECT_FALSE(m_platform.PathExists((m_scratch / "file").c_str()));
    EXPECT_FALSE(m_platform.RemoveFile((m_scratch / "file").c_str()));
}

std::string PatternBytes(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7919) % 251);
    return bytes;
}

TEST_F(PosixFiles, CopyCopiesEveryByte) {
    const std::string content = PatternBytes(300 * 1024 + 17);
    WriteTextFile(m_scratch / "source", content);
    ASSERT_TRUE(m_platform.CopyFileTo((m_scratch / "source").c_str(),
                                      (m_scratch / "target").c_str(), true));
    EXPECT_EQ(ReadTextFile(m_scratch / "target"), content);
}

TEST_F(PosixFiles, CopyReplacesUnlessFailIfExists) {
    WriteTextFile(m_scratch / "source", "new");
    WriteTextFile(m_scratch / "target", "old and longer");
    const std::string source = m_scratch / "source";
    const std::string target = m_scratch / "target";
    EXPECT_FALSE(m_platform.CopyFileTo(source.c_str(), target.c_str(), true));
    EXPECT_EQ(ReadTextFile(target), "old and longer");
    EXPECT_TRUE(m_platform.CopyFileTo(source.c_str(), target.c_str(), false));
    EXPECT_EQ(ReadTextFile(target), "new");
}

TEST_F(PosixFiles, CopyFailuresLeaveNoTarget) {
    const std::string target = m_scratch / "target";
    EXPECT_FALSE(m_platform.CopyFileTo((m_scratch / "missing").c_str(), target.c_str(), false));
    EXPECT_FALSE(m_platform.CopyFileTo(m_scratch.path().c_str(), target.c_str(), false));
    EXPECT_FALSE(m_platform.PathExists(target.c_str()));
    WriteTextFile(m_scratch / "source", "x");
    EXPECT_FALSE(m_platform.CopyFileTo((m_scratch / "source").c_str(),
                                       (m_scratch / "missing/target").c_str(), false));
}

TEST_F(PosixFiles, CopyOntoItselfKeepsTheFile) {
    WriteTextFile(m_scratch / "source", "precious");
    ASSERT_EQ(symlink((m_scratch / "source").c_str(), (m_scratch / "alias").c_str()), 0);
    const std::string source = m_scratch / "source";
    EXPECT_FALSE(m_platform.CopyFileTo(source.c_str(), source.c_str(), false));
    EXPECT_FALSE(m_platform.CopyFileTo(source.c_str(), (m_scratch / "alias").c_str(), false));
    EXPECT_EQ(ReadTextFile(source), "precious");
}

TEST_F(PosixFiles, TempFilesAreNewPrivateAndUnique) {
    const std::string folder = m_scratch.path() + "/";
    std::set<std::string> names;
    for (int i = 0; i < 20; ++i) {
        char name[4096];
        ASSERT_TRUE(m_platform.CreateTempFile(folder.c_str(), "aro", name, sizeof(name)));
        const std::string created = name;
        EXPECT_EQ(created.rfind(folder + "aro", 0), 0u) << created;
        EXPECT_EQ(created.find('/', folder.size()), std::string::npos) << created;
        EXPECT_EQ(PermissionBits(created), 0600u) << created;
        struct stat info {};
        ASSERT_EQ(lstat(created.c_str(), &info), 0);
        EXPECT_TRUE(S_ISREG(info.st_mode));
        EXPECT_EQ(info.st_size, 0);
        names.insert(created);
    }
    EXPECT_EQ(names.size(), 20u);
}

TEST_F(PosixFiles, TempFileGoesIntoFolderWithoutTrailingSlash) {
    char name[4096];
    ASSERT_TRUE(m_platform.CreateTempFile(m_scratch.path().c_str(), "aro", name, sizeof(name)));
    EXPECT_EQ(std::string(name).rfind(m_scratch.path() + "/aro", 0), 0u) << name;
}

TEST_F(PosixFiles, TempFileRefusedWhenNameDoesNotFitAndLeavesNothing) {
    const std::string folder = m_scratch.path() + "/";
    char name[4096];
    const uint32_t tooSmall = static_cast<uint32_t>(folder.size() + 3 + 6);
    EXPECT_FALSE(m_platform.CreateTempFile(folder.c_str(), "aro", name, tooSmall));
    EXPECT_TRUE(std::filesystem::is_empty(m_scratch.path()));
    EXPECT_FALSE(
        m_platform.CreateTempFile((m_scratch / "missing/").c_str(), "aro", name, sizeof(name)));
}

TEST_F(PosixFiles, LogFileIsPrivateTruncatedAndNotInherited) {
    const std::string path = m_scratch / "job.log";
    std::FILE* log = m_platform.OpenLogFile(path.c_str());
    ASSERT_NE(log, nullptr);
    EXPECT_EQ(PermissionBits(path), 0600u);
    EXPECT_NE(fcntl(fileno(log), F_GETFD) & FD_CLOEXEC, 0);
    std::fputs("line\n", log);
    std::fclose(log);
    EXPECT_EQ(ReadTextFile(path), "line\n");

    WriteTextFile(path, "previous run, much longer text");
    log = m_platform.OpenLogFile(path.c_str());
    ASSERT_NE(log, nullptr);
    std::fclose(log);
    EXPECT_EQ(ReadTextFile(path), "");
}

TEST_F(PosixFiles, LogFileRefusesSymlink) {
    const std::string victim = m_scratch / "victim";
    WriteTextFile(victim, "keep me");
    ASSERT_EQ(symlink(victim.c_str(), (m_scratch / "job.log").c_str()), 0);
    EXPECT_EQ(m_platform.OpenLogFile((m_scratch / "job.log").c_str()), nullptr);
    EXPECT_EQ(ReadTextFile(victim), "keep me");
    EXPECT_EQ(m_platform.OpenLogFile((m_scratch / "missing/job.log").c_str()), nullptr);
}

TEST_F(PosixFiles, AllocationIsZeroedAndNeverNull) {
    auto* block = static_cast<unsigned char*>(m_platform.AllocateZeroed(4096));
    ASSERT_NE(block, nullptr);
    for (int i = 0; i < 4096; ++i) ASSERT_EQ(block[i], 0) << i;
    m_platform.Free(block);
    void* empty = m_platform.AllocateZeroed(0);
    EXPECT_NE(empty, nullptr);
    m_platform.Free(empty);
}

}  // namespace
}  // namespace aro::posix
