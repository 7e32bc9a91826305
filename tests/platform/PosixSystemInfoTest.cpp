#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <cstring>
#include <ctime>
#include <string>

#include "platform/posix/PosixPlatform.h"
#include "tests/platform/PosixTestSupport.h"

namespace aro::posix {
namespace {

using testing::ScopedEnvironment;

std::string LoginName() {
    const passwd* entry = getpwuid(geteuid());
    return entry ? entry->pw_name : "";
}

TEST(PosixUserName, IsTheEffectiveUsersLogin) {
    const std::string expected = LoginName();
    ASSERT_FALSE(expected.empty());
    PosixPlatform platform;
    char buffer[256];
    uint32_t size = sizeof(buffer);
    ASSERT_TRUE(platform.GetUserName(buffer, &size));
    EXPECT_EQ(std::string(buffer), expected);
    EXPECT_EQ(size, expected.size() + 1);
}

TEST(PosixUserName, TooSmallBufferReportsNeededSize) {
    const std::string expected = LoginName();
    PosixPlatform platform;
    char buffer[256];
    std::memset(buffer, 'x', sizeof(buffer));
    uint32_t size = static_cast<uint32_t>(expected.size());  // no room for the terminator
    EXPECT_FALSE(platform.GetUserName(buffer, &size));
    EXPECT_EQ(size, expected.size() + 1);
    EXPECT_EQ(buffer[expected.size()], 'x');
    size = static_cast<uint32_t>(expected.size() + 1);
    EXPECT_TRUE(platform.GetUserName(buffer, &size));
    EXPECT_EQ(std::string(buffer), expected);
}

std::string SystemDirectory(PosixPlatform& platform) {
    char buffer[4096];
    const uint32_t length = platform.GetSystemDirectory(buffer, sizeof(buffer));
    if (length == 0 || length >= sizeof(buffer)) return "<failed>";
    EXPECT_EQ(std::strlen(buffer), length);
    return buffer;
}

TEST(PosixSystemDirectory, EnvironmentOverridesWithoutTrailingSlash) {
    PosixPlatform platform;
    {
        ScopedEnvironment dir("ARO_PRINTER_SYSTEM_DIR", "/opt/aro/lib");
        EXPECT_EQ(SystemDirectory(platform), "/opt/aro/lib");
    }
    {
        ScopedEnvironment dir("ARO_PRINTER_SYSTEM_DIR", "/opt/aro/lib//");
        EXPECT_EQ(SystemDirectory(platform), "/opt/aro/lib");
    }
}

TEST(PosixSystemDirectory, DefaultsToInstallFolder) {
    ScopedEnvironment dir("ARO_PRINTER_SYSTEM_DIR", "");
    PosixPlatform platform;
    const std::string folder = SystemDirectory(platform);
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder[0], '/');
    EXPECT_TRUE(folder == "/" || folder.back() != '/') << folder;
    EXPECT_NE(folder, "<failed>");
}

TEST(PosixSystemDirectory, ReportsNeededSize) {
    ScopedEnvironment dir("ARO_PRINTER_SYSTEM_DIR", "/opt/aro/lib");  // 12 characters
    PosixPlatform platform;
    char buffer[16];
    EXPECT_EQ(platform.GetSystemDirectory(buffer, 12), 13u);
    EXPECT_EQ(platform.GetSystemDirectory(nullptr, 0), 13u);
    EXPECT_EQ(platform.GetSystemDirectory(buffer, 13), 12u);
}

TEST(PosixLocalTime, MatchesTheClock) {
    PosixPlatform platform;
    const std::time_t before = std::time(nullptr);
    const LocalTime now = platform.GetLocalTime();
    const std::time_t after = std::time(nullptr);
    std::tm fields{};
    fields.tm_year = now.year - 1900;
    fields.tm_mon = now.month - 1;
    fields.tm_mday = now.day;
    fields.tm_hour = now.hour;
    fields.tm_min = now.minute;
    fields.tm_sec = now.second;
    fields.tm_isdst = -1;
    const std::time_t reported = std::mktime(&fields);
    EXPECT_GE(reported, before - 1);
    EXPECT_LE(reported, after + 1);
    EXPECT_GE(now.milliseconds, 0);
    EXPECT_LT(now.milliseconds, 1000);
}

TEST(PosixShowMessage, WritesCaptionAndTextToStandardError) {
    PosixPlatform platform;
    ::testing::internal::CaptureStderr();
    platform.ShowMessage("Printer job failed", "ARO Printer", kMessageBoxOk | kMessageBoxTopMost);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "ARO Printer: Printer job failed\n");
}

}  // namespace
}  // namespace aro::posix
