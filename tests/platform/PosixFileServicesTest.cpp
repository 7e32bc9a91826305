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
    PosixPlatform platform_;
    ScratchFolder scratch_;
};

TEST_F(PosixFiles, LongPathResolvesLinksAndDots) {
    ASSERT_EQ(mkdir((scratch_ / "real").c_str(), 0700), 0);
    ASSERT_EQ(symlink((scratch_ / "real").c_str(), (scratch_ / "link").c_str()), 0);
    char buffer[4096];
    const std::string query = scratch_ / "link/../link";
    const uint32_t length = platform_.GetLongPath(query.c_str(), buffer, sizeof(buffer));
    char* expected = realpath((scratch_ / "real").c_str(), nullptr);
    ASSERT_NE(expected, nullptr);
    EXPECT_STREQ(buffer, expected);
    EXPECT_EQ(length, std::strlen(expected));
    EXPECT_EQ(platform_.GetLongPath(query.c_str(), buffer, length), length + 1);
    EXPECT_EQ(platform_.GetLongPath(query.c_str(), nullptr, 0), length + 1);
    std::free(expected);
}

TEST_F(PosixFiles, LongPathFailsForMissingFolder) {
    char buffer[4096];
    EXPECT_EQ(platform_.GetLongPath((scratch_ / "missing").c_str(), buffer, sizeof(buffer)), 0u);
    EXPECT_EQ(platform_.GetLongPath((scratch_ / "missing/x").c_str(), buffer, sizeof(buffer)), 0u);
    EXPECT_EQ(platform_.GetLongPath("", buffer, sizeof(buffer)), 0u);
}

TEST_F(PosixFiles, PathExistsForAnyEntry) {
    WriteTextFile(scratch_ / "file", "x");
    ASSERT_EQ(symlink((scratch_ / "nowhere").c_str(), (scratch_ / "dangling").c_str()), 0);
    EXPECT_TRUE(platform_.PathExists(scratch_.path().c_str()));
    EXPECT_TRUE(platform_.PathExists((scratch_ / "file").c_str()));
    EXPECT_TRUE(platform_.PathExists((scratch_ / "dangling").c_str()));
    EXPECT_FALSE(platform_.PathExists((scratch_ / "nowhere").c_str()));
    EXPECT_FALSE(platform_.PathExists(""));
}

TEST_F(PosixFiles, CreateFolderAndRemoveFileReportFailure) {
    EXPECT_TRUE(platform_.CreateFolder((scratch_ / "a").c_str()));
    EXPECT_TRUE(std::filesystem::is_directory(scratch_ / "a"));
    EXPECT_FALSE(platform_.CreateFolder((scratch_ / "a").c_str()));
    EXPECT_FALSE(platform_.CreateFolder((scratch_ / "b/c").c_str()));
    EXPECT_FALSE(platform_.CreateFolder(""));
    WriteTextFile(scratch_ / "file", "x");
    EXPECT_TRUE(platform_.RemoveFile((scratch_ / "file").c_str()));
    EXPECT_FALSE(platform_.PathExists((scratch_ / "file").c_str()));
    EXPECT_FALSE(platform_.RemoveFile((scratch_ / "file").c_str()));
}

std::string PatternBytes(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7919) % 251);
    return bytes;
}

TEST_F(PosixFiles, CopyCopiesEveryByte) {
    const std::string content = PatternBytes(300 * 1024 + 17);
    WriteTextFile(scratch_ / "source", content);
    ASSERT_TRUE(
        platform_.CopyFileTo((scratch_ / "source").c_str(), (scratch_ / "target").c_str(), true));
    EXPECT_EQ(ReadTextFile(scratch_ / "target"), content);
}

TEST_F(PosixFiles, CopyReplacesUnlessFailIfExists) {
    WriteTextFile(scratch_ / "source", "new");
    WriteTextFile(scratch_ / "target", "old and longer");
    const std::string source = scratch_ / "source";
    const std::string target = scratch_ / "target";
    EXPECT_FALSE(platform_.CopyFileTo(source.c_str(), target.c_str(), true));
    EXPECT_EQ(ReadTextFile(target), "old and longer");
    EXPECT_TRUE(platform_.CopyFileTo(source.c_str(), target.c_str(), false));
    EXPECT_EQ(ReadTextFile(target), "new");
}

TEST_F(PosixFiles, CopyFailuresLeaveNoTarget) {
    const std::string target = scratch_ / "target";
    EXPECT_FALSE(platform_.CopyFileTo((scratch_ / "missing").c_str(), target.c_str(), false));
    EXPECT_FALSE(platform_.CopyFileTo(scratch_.path().c_str(), target.c_str(), false));
    EXPECT_FALSE(platform_.PathExists(target.c_str()));
    WriteTextFile(scratch_ / "source", "x");
    EXPECT_FALSE(platform_.CopyFileTo((scratch_ / "source").c_str(),
                                      (scratch_ / "missing/target").c_str(), false));
}

TEST_F(PosixFiles, CopyOntoItselfKeepsTheFile) {
    WriteTextFile(scratch_ / "source", "precious");
    ASSERT_EQ(symlink((scratch_ / "source").c_str(), (scratch_ / "alias").c_str()), 0);
    const std::string source = scratch_ / "source";
    EXPECT_FALSE(platform_.CopyFileTo(source.c_str(), source.c_str(), false));
    EXPECT_FALSE(platform_.CopyFileTo(source.c_str(), (scratch_ / "alias").c_str(), false));
    EXPECT_EQ(ReadTextFile(source), "precious");
}

TEST_F(PosixFiles, TempFilesAreNewPrivateAndUnique) {
    const std::string folder = scratch_.path() + "/";
    std::set<std::string> names;
    for (int i = 0; i < 20; ++i) {
        char name[4096];
        ASSERT_TRUE(platform_.CreateTempFile(folder.c_str(), "aro", name, sizeof(name)));
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
    ASSERT_TRUE(platform_.CreateTempFile(scratch_.path().c_str(), "aro", name, sizeof(name)));
    EXPECT_EQ(std::string(name).rfind(scratch_.path() + "/aro", 0), 0u) << name;
}

TEST_F(PosixFiles, TempFileRefusedWhenNameDoesNotFitAndLeavesNothing) {
    const std::string folder = scratch_.path() + "/";
    char name[4096];
    const uint32_t tooSmall = static_cast<uint32_t>(folder.size() + 3 + 6);
    EXPECT_FALSE(platform_.CreateTempFile(folder.c_str(), "aro", name, tooSmall));
    EXPECT_TRUE(std::filesystem::is_empty(scratch_.path()));
    EXPECT_FALSE(
        platform_.CreateTempFile((scratch_ / "missing/").c_str(), "aro", name, sizeof(name)));
}

TEST_F(PosixFiles, LogFileIsPrivateTruncatedAndNotInherited) {
    const std::string path = scratch_ / "job.log";
    std::FILE* log = platform_.OpenLogFile(path.c_str());
    ASSERT_NE(log, nullptr);
    EXPECT_EQ(PermissionBits(path), 0600u);
    EXPECT_NE(fcntl(fileno(log), F_GETFD) & FD_CLOEXEC, 0);
    std::fputs("line\n", log);
    std::fclose(log);
    EXPECT_EQ(ReadTextFile(path), "line\n");

    WriteTextFile(path, "previous run, much longer text");
    log = platform_.OpenLogFile(path.c_str());
    ASSERT_NE(log, nullptr);
    std::fclose(log);
    EXPECT_EQ(ReadTextFile(path), "");
}

TEST_F(PosixFiles, LogFileRefusesSymlink) {
    const std::string victim = scratch_ / "victim";
    WriteTextFile(victim, "keep me");
    ASSERT_EQ(symlink(victim.c_str(), (scratch_ / "job.log").c_str()), 0);
    EXPECT_EQ(platform_.OpenLogFile((scratch_ / "job.log").c_str()), nullptr);
    EXPECT_EQ(ReadTextFile(victim), "keep me");
    EXPECT_EQ(platform_.OpenLogFile((scratch_ / "missing/job.log").c_str()), nullptr);
}

TEST_F(PosixFiles, AllocationIsZeroedAndNeverNull) {
    auto* block = static_cast<unsigned char*>(platform_.AllocateZeroed(4096));
    ASSERT_NE(block, nullptr);
    for (int i = 0; i < 4096; ++i) ASSERT_EQ(block[i], 0) << i;
    platform_.Free(block);
    void* empty = platform_.AllocateZeroed(0);
    EXPECT_NE(empty, nullptr);
    platform_.Free(empty);
}

}  // namespace
}  // namespace aro::posix
