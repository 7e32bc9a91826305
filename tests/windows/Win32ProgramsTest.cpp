// Starting hook programs with the C runtime's spawn: the argument vector the
// program sees, waiting or not.
#include <gtest/gtest.h>

#include "WindowsHarness.h"
#include "platform/win32/ProgramStart.h"
#include "platform/win32/Win32Platform.h"

namespace aro::wtest {
namespace {

class SpawnTest : public ::testing::Test {
protected:
    SpawnTest() : record(box.root() + "\\argv.txt") {
        SetEnvironmentVariableA("ARO_PROBE_OUTPUT", record.c_str());
    }
    ~SpawnTest() override { SetEnvironmentVariableA("ARO_PROBE_OUTPUT", nullptr); }
    std::string Probe() const { return ProgramFolder() + "\\aro_argv_probe.exe"; }

    Sandbox box;
    std::string record;
    win32::Win32Platform platform;
};

// The parameter goes into the command line twice, as it is: blanks split
// it, quotes the administrator wrote keep it together.
TEST_F(SpawnTest, ProgramGetsTheParameterTwiceUnquotedAndIsWaitedFor) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"plain", "plain|plain|1"},
        {"two words", "two|words|two|words|3"},
        {"\"C:\\my dir\\job.tif\"", "C:\\my dir\\job.tif|C:\\my dir\\job.tif|1"}};
    std::vector<std::string> expected;
    for (const auto& [parameter, seen] : cases) {
        platform.StartProgram(Probe().c_str(), parameter.c_str(), true);
        expected.push_back(seen);
        // Waited for: its line is there as soon as the call returns.
        EXPECT_EQ(Lines(ReadFile(record)), expected) << parameter;
    }
}

TEST_F(SpawnTest, ProgramsAreFoundOnThePath) {
    char path[4096];
    GetEnvironmentVariableA("PATH", path, sizeof path);
    const std::string saved = path;
    // The runtime's spawn searches the runtime's copy of the environment.
    _putenv_s("PATH", (ProgramFolder() + ";" + saved).c_str());
    platform.StartProgram("aro_argv_probe", "found", true);
    _putenv_s("PATH", saved.c_str());
    EXPECT_EQ(Lines(ReadFile(record)), std::vector<std::string>{"found|found|1"});
}

TEST_F(SpawnTest, ProgramNotWaitedForStillRuns) {
    platform.StartProgram(Probe().c_str(), "later", false);
    for (int i = 0; i < 250 && ReadFile(record).empty(); ++i) Sleep(20);
    EXPECT_EQ(Lines(ReadFile(record)), std::vector<std::string>{"later|later|1"});
}

TEST_F(SpawnTest, MissingProgramIsSkipped) {
    platform.StartProgram("aro-no-such-program", "x", true);
    platform.StartProgram("aro-no-such-program", "x", false);
    platform.StartProgram("", "x", true);
    EXPECT_EQ(ReadFile(record), "");
}

}  // namespace
}  // namespace aro::wtest
