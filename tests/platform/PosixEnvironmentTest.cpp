#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/posix/PosixPlatform.h"
#include "tests/platform/PosixTestSupport.h"

namespace aro::posix {
namespace {

using testing::ScopedEnvironment;

std::string Expand(const char* source) {
    PosixPlatform platform;
    char buffer[4096];
    const uint32_t count = platform.ExpandEnvironment(source, buffer, sizeof(buffer));
    if (count == 0 || count > sizeof(buffer)) return "<failed>";
    EXPECT_EQ(std::strlen(buffer) + 1, count);
    return buffer;
}

class PosixExpandEnvironment : public ::testing::Test {
protected:
    ScopedEnvironment m_known{"ARO_TEST_KNOWN", "value"};
    ScopedEnvironment m_empty{"ARO_TEST_EMPTY", ""};
    ScopedEnvironment m_unknown{"ARO_TEST_UNKNOWN", std::nullopt};
};

TEST_F(PosixExpandEnvironment, ReplacesKnownVariables) {
    EXPECT_EQ(Expand("%ARO_TEST_KNOWN%"), "value");
    EXPECT_EQ(Expand("a/%ARO_TEST_KNOWN%/b/%ARO_TEST_KNOWN%"), "a/value/b/value");
    EXPECT_EQ(Expand("[%ARO_TEST_EMPTY%]"), "[]");
}

TEST_F(PosixExpandEnvironment, KeepsUnknownVariableAsWritten) {
    EXPECT_EQ(Expand("x%ARO_TEST_UNKNOWN%y"), "x%ARO_TEST_UNKNOWN%y");
    EXPECT_EQ(Expand("%ARO_TEST_UNKNOWN%/%ARO_TEST_KNOWN%"), "%ARO_TEST_UNKNOWN%/value");
}

TEST_F(PosixExpandEnvironment, KeepsStrayPercentSigns) {
    EXPECT_EQ(Expand("100%"), "100%");
    EXPECT_EQ(Expand("%ARO_TEST_KNOWN"), "%ARO_TEST_KNOWN");
    EXPECT_EQ(Expand("%%"), "%%");
    EXPECT_EQ(Expand("%ARO_TEST_KNOWN%%"), "value%");
    EXPECT_EQ(Expand(""), "");
}

TEST_F(PosixExpandEnvironment, CopiesBytesUnchanged) {
    ScopedEnvironment latin("ARO_TEST_BYTES", "\xE4\xF6\xFC");
    EXPECT_EQ(Expand("\xC3\xA4/%ARO_TEST_BYTES%"), "\xC3\xA4/\xE4\xF6\xFC");
}

TEST_F(PosixExpandEnvironment, ReportsNeededSizeWithoutOverrun) {
    PosixPlatform platform;
    char buffer[16];
    std::memset(buffer, 'x', sizeof(buffer));
    // "<value>" expands to 7 characters: 8 with the terminator.
    EXPECT_EQ(platform.ExpandEnvironment("<%ARO_TEST_KNOWN%>", buffer, 7), 8u);
    EXPECT_EQ(buffer[7], 'x') << "wrote past the capacity";
    EXPECT_EQ(platform.ExpandEnvironment("<%ARO_TEST_KNOWN%>", nullptr, 0), 8u);
    EXPECT_EQ(platform.ExpandEnvironment("<%ARO_TEST_KNOWN%>", buffer, 8), 8u);
    EXPECT_STREQ(buffer, "<value>");
    EXPECT_EQ(platform.ExpandEnvironment(nullptr, buffer, sizeof(buffer)), 0u);
}

class PosixAppData : public ::testing::Test {
protected:
    ScopedEnvironment m_appData{"APPDATA", std::nullopt};
    ScopedEnvironment m_dataHome{"XDG_DATA_HOME", std::nullopt};
    ScopedEnvironment m_home{"HOME", "/home/printer"};
};

TEST_F(PosixAppData, PrefersAppdata) {
    ScopedEnvironment appData("APPDATA", "/srv/appdata");
    ScopedEnvironment dataHome("XDG_DATA_HOME", "/srv/xdg");
    EXPECT_EQ(Expand("%APPDATA%/Aro"), "/srv/appdata/Aro");
}

TEST_F(PosixAppData, FallsBackToXdgDataHome) {
    ScopedEnvironment dataHome("XDG_DATA_HOME", "/srv/xdg");
    EXPECT_EQ(Expand("%APPDATA%/Aro"), "/srv/xdg/Aro");
}

TEST_F(PosixAppData, FallsBackToLocalShareInHome) {
    EXPECT_EQ(Expand("%APPDATA%/Aro"), "/home/printer/.local/share/Aro");
}

TEST_F(PosixAppData, EmptyValuesCountAsUnset) {
    ScopedEnvironment appData("APPDATA", "");
    ScopedEnvironment dataHome("XDG_DATA_HOME", "");
    EXPECT_EQ(Expand("%APPDATA%"), "/home/printer/.local/share");
}

TEST_F(PosixAppData, WithoutHomeUsesPasswordDatabase) {
    ScopedEnvironment home("HOME", std::nullopt);
    const std::string expanded = Expand("%APPDATA%");
    EXPECT_NE(expanded, "%APPDATA%");
    EXPECT_EQ(expanded.rfind("/.local/share"), expanded.size() - std::strlen("/.local/share"));
    EXPECT_EQ(expanded[0], '/');
}

}  // namespace
}  // namespace aro::posix
