#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "platform/posix/PosixPlatform.h"
#include "platform/posix/TempDirectory.h"
#include "tests/platform/PosixTestSupport.h"

namespace aro::posix {
namespace {

using testing::PermissionBits;
using testing::ScopedEnvironment;
using testing::ScratchFolder;

std::string TempPathOf(PosixPlatform& platform) {
    char buffer[4096];
    const uint32_t length = platform.GetTempPath(buffer, sizeof(buffer));
    if (length == 0 || length >= sizeof(buffer)) return {};
    EXPECT_EQ(std::strlen(buffer), length);
    return buffer;
}

std::string PrivateFolderName(const std::string& base) {
    return base + "/aro-printer-" + std::to_string(geteuid());
}

TEST(PosixTempPath, UsesTmpdirWithItsSlash) {
    ScopedEnvironment tmpdir("TMPDIR", "/var/tmp/aro-spool/");
    PosixPlatform platform;
    EXPECT_EQ(TempPathOf(platform), "/var/tmp/aro-spool/");
}

TEST(PosixTempPath, AppendsSlashToTmpdir) {
    ScopedEnvironment tmpdir("TMPDIR", "/var/tmp/aro-spool");
    PosixPlatform platform;
    EXPECT_EQ(TempPathOf(platform), "/var/tmp/aro-spool/");
}

TEST(PosixTempPath, EmptyOrUnsetTmpdirMeansPrivateFolderUnderTmp) {
    const std::string expected = PrivateFolderName("/tmp") + "/";
    for (const auto& value : {std::optional<std::string>(""), std::optional<std::string>()}) {
        ScopedEnvironment tmpdir("TMPDIR", value);
        PosixPlatform platform;
        ASSERT_EQ(TempPathOf(platform), expected);
        struct stat info {};
        ASSERT_EQ(lstat(expected.c_str(), &info), 0);
        EXPECT_TRUE(S_ISDIR(info.st_mode));
        EXPECT_EQ(info.st_uid, geteuid());
        EXPECT_EQ(info.st_mode & 0777, 0700u);
    }
}

TEST(PosixTempPath, FailsWhenPrivateFolderIsOpenToGroup) {
    ScopedEnvironment tmpdir("TMPDIR", std::nullopt);
    PosixPlatform platform;
    const std::string folder = PrivateFolderName("/tmp");
    ASSERT_NE(TempPathOf(platform), "");
    ASSERT_EQ(chmod(folder.c_str(), 0770), 0);
    char buffer[256];
    const uint32_t result = platform.GetTempPath(buffer, sizeof(buffer));
    chmod(folder.c_str(), 0700);
    EXPECT_EQ(result, 0u);
}

TEST(PosixTempPath, ReportsNeededSizeWhenBufferTooSmall) {
    ScopedEnvironment tmpdir("TMPDIR", "/var/tmp/abc");  // 13 characters with the slash
    PosixPlatform platform;
    char buffer[32];
    std::memset(buffer, 'x', sizeof(buffer));
    EXPECT_EQ(platform.GetTempPath(buffer, 13), 14u);
    EXPECT_EQ(buffer[13], 'x') << "wrote past the capacity";
    EXPECT_EQ(platform.GetTempPath(nullptr, 0), 14u);
    EXPECT_EQ(platform.GetTempPath(buffer, 14), 13u);
    EXPECT_STREQ(buffer, "/var/tmp/abc/");
}

TEST(PosixPrivateTempFolder, CreatedWithOwnerOnlyAccessDespiteUmask) {
    ScratchFolder base;
    const mode_t previousMask = umask(0);
    const std::string folder = PrivateTemporaryDirectory(base.path(), geteuid());
    umask(previousMask);
    ASSERT_EQ(folder, PrivateFolderName(base.path()) + "/");
    EXPECT_EQ(PermissionBits(PrivateFolderName(base.path())), 0700u);
}

TEST(PosixPrivateTempFolder, ReusesExistingPrivateFolder) {
    ScratchFolder base;
    const std::string folder = PrivateFolderName(base.path());
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    testing::WriteTextFile(folder + "/kept", "data");
    EXPECT_EQ(PrivateTemporaryDirectory(base.path(), geteuid()), folder + "/");
    EXPECT_EQ(testing::ReadTextFile(folder + "/kept"), "data");
}

TEST(PosixPrivateTempFolder, RefusesSymlinkEvenToPrivateFolder) {
    ScratchFolder base;
    const std::string elsewhere = base / "elsewhere";
    ASSERT_EQ(mkdir(elsewhere.c_str(), 0700), 0);
    ASSERT_EQ(symlink(elsewhere.c_str(), PrivateFolderName(base.path()).c_str()), 0);
    EXPECT_EQ(PrivateTemporaryDirectory(base.path(), geteuid()), "");
}

TEST(PosixPrivateTempFolder, RefusesFolderOpenToGroupOrOthers) {
    for (mode_t mode : {0770, 0750, 0705, 0701, 0777}) {
        ScratchFolder base;
        const std::string folder = PrivateFolderName(base.path());
        ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
        ASSERT_EQ(chmod(folder.c_str(), mode), 0);
        EXPECT_EQ(PrivateTemporaryDirectory(base.path(), geteuid()), "") << std::oct << mode;
    }
}

TEST(PosixPrivateTempFolder, RefusesFolderOwnedBySomeoneElse) {
    ScratchFolder base;
    const std::string folder = PrivateFolderName(base.path());
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    if (chown(folder.c_str(), geteuid() + 4242, static_cast<gid_t>(-1)) != 0) {
        GTEST_SKIP() << "changing the owner needs root";
    }
    EXPECT_EQ(PrivateTemporaryDirectory(base.path(), geteuid()), "");
}

TEST(PosixPrivateTempFolder, RefusesFileInItsPlaceOrMissingBase) {
    ScratchFolder base;
    testing::WriteTextFile(PrivateFolderName(base.path()), "");
    EXPECT_EQ(PrivateTemporaryDirectory(base.path(), geteuid()), "");
    EXPECT_EQ(PrivateTemporaryDirectory(base / "missing", geteuid()), "");
}

}  // namespace
}  // namespace aro::posix
