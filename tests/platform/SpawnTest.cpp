#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/posix/PosixPlatform.h"
#include "tests/platform/PosixTestSupport.h"

namespace aro::posix {
namespace {

using testing::Eventually;
using testing::ReadTextFile;
using testing::ScopedCurrentFolder;
using testing::ScopedEnvironment;
using testing::ScratchFolder;
using testing::WriteExecutableScript;

constexpr const char* kProbeOutputVariable = "ARO_SPAWN_PROBE_OUTPUT";

// A script's $0 is its path, not the argv[0] it was given, so the argument
// vector is checked with this binary itself: started with the variable
// set, it copies its /proc/self/cmdline to the named file and leaves before
// any test runs.
const bool kRanAsProbe = [] {
    const char* output = std::getenv(kProbeOutputVariable);
    if (output == nullptr) return false;
    const std::string commandLine = ReadTextFile("/proc/self/cmdline");
    if (std::FILE* file = std::fopen(output, "wb")) {
        std::fwrite(commandLine.data(), 1, commandLine.size(), file);
        std::fclose(file);
    }
    _exit(0);
}();

std::vector<std::string> SplitAtNul(const std::string& bytes) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t end = bytes.find('\0', start);
        parts.push_back(bytes.substr(start, end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return parts;
}

// No child of this process is left, not even a zombie.
bool HasNoChildren() {
    int status = 0;
    return waitpid(-1, &status, WNOHANG) == -1 && errno == ECHILD;
}

std::string SelfPath() {
    char path[PATH_MAX] = {};
    const ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
    return length > 0 ? std::string(path, static_cast<std::size_t>(length)) : "";
}

class SpawnProgram : public ::testing::Test {
protected:
    SpawnProgram()
        : m_path("PATH",
                 m_programs.path() + ":" + (std::getenv("PATH") ? std::getenv("PATH") : "")) {}

    // Installs a script on PATH that records "$1|$#" and more in output().
    void InstallRecorder(const std::string& name, const std::string& before = "") {
        WriteExecutableScript(m_programs / name, before + "printf '%s|%s|%s|%s\\n' \"$1\" \"$#\" " +
                                                     "\"$(pwd -P)\" \"$ARO_SPAWN_MARK\" > '" +
                                                     output() + "'\n");
    }
    std::string output() const { return m_work / "output"; }
    bool OutputExists() const { return access(output().c_str(), F_OK) == 0; }

    PosixPlatform m_platform;
    ScratchFolder m_programs;
    ScratchFolder m_work;
    ScopedEnvironment m_path;
};

TEST_F(SpawnProgram, ArgumentVectorIsParameterTwice) {
    ASSERT_EQ(symlink(SelfPath().c_str(), (m_programs / "aro-argv-probe").c_str()), 0);
    ScopedEnvironment probe(kProbeOutputVariable, output());
    const std::string parameter = "C:\\Print Jobs\\job 1.tif";
    m_platform.StartProgram("aro-argv-probe", parameter.c_str(), true);
    EXPECT_EQ(SplitAtNul(ReadTextFile(output())), (std::vector<std::string>{parameter, parameter}));
}

TEST_F(SpawnProgram, WaitsForTheProgramWhenAsked) {
    InstallRecorder("aro-recorder", "sleep 0.3\n");
    m_platform.StartProgram("aro-recorder", "job.tif", true);
    EXPECT_TRUE(OutputExists());
    EXPECT_TRUE(HasNoChildren());
}

TEST_F(SpawnProgram, ParameterWithSpacesArrivesWhole) {
    InstallRecorder("aro-recorder");
    m_platform.StartProgram("aro-recorder", "two words  here", true);
    EXPECT_EQ(ReadTextFile(output()).substr(0, 17), "two words  here|1");
}

TEST_F(SpawnProgram, InheritsEnvironmentAndCurrentFolder) {
    InstallRecorder("aro-recorder");
    ScopedEnvironment mark("ARO_SPAWN_MARK", "inherited");
    char* folder = realpath(m_work.path().c_str(), nullptr);
    ScopedCurrentFolder current(folder);
    m_platform.StartProgram("aro-recorder", "p", true);
    EXPECT_EQ(ReadTextFile(output()), "p|1|" + std::string(folder) + "|inherited\n");
    std::free(folder);
}

TEST_F(SpawnProgram, RunsProgramGivenByPath) {
    InstallRecorder("aro-recorder");
    m_platform.StartProgram((m_programs / "aro-recorder").c_str(), "p", true);
    EXPECT_TRUE(OutputExists());
}

TEST_F(SpawnProgram, PrefersFileUnderTheGivenName) {
    ScratchFolder here;
    WriteExecutableScript(here / "aro-local", "echo local > '" + output() + "'\n");
    WriteExecutableScript(m_programs / "aro-local", "echo path > '" + output() + "'\n");
    ScopedCurrentFolder current(here.path());
    m_platform.StartProgram("aro-local", "p", true);
    EXPECT_EQ(ReadTextFile(output()), "local\n");
}

TEST_F(SpawnProgram, PlainFileUnderTheGivenNameDoesNotHideTheProgramOnPath) {
    ScratchFolder here;
    testing::WriteTextFile(here / "aro-local", "not a program\n");
    WriteExecutableScript(m_programs / "aro-local", "echo path > '" + output() + "'\n");
    ScopedCurrentFolder current(here.path());
    m_platform.StartProgram("aro-local", "p", true);
    EXPECT_EQ(ReadTextFile(output()), "path\n");
}

TEST_F(SpawnProgram, WithoutWaitReturnsAtOnceAndLeavesNoZombie) {
    WriteExecutableScript(m_programs / "aro-sleeper",
                          "echo \"$1\" > '" + (m_work / "started") + "'\nsleep 2\n");
    const auto before = std::chrono::steady_clock::now();
    m_platform.StartProgram("aro-sleeper", "job.tif", false);
    const auto elapsed = std::chrono::steady_clock::now() - before;
    EXPECT_LT(elapsed, std::chrono::milliseconds(1500));
    EXPECT_TRUE(HasNoChildren());
    EXPECT_TRUE(Eventually([&] { return access((m_work / "started").c_str(), F_OK) == 0; }))
        << "the program never ran";
}

TEST_F(SpawnProgram, MissingProgramIsSilentlySkipped) {
    m_platform.StartProgram("aro-no-such-program", "p", true);
    m_platform.StartProgram("aro-no-such-program", "p", false);
    m_platform.StartProgram((m_programs / "missing").c_str(), "p", false);
    m_platform.StartProgram("", "p", true);
    EXPECT_TRUE(HasNoChildren());
}

class SpawnShellOpen : public ::testing::Test {
protected:
    PosixPlatform m_platform;
    ScratchFolder m_programs;
    ScratchFolder m_work;
};

TEST_F(SpawnShellOpen, HandsFileToXdgOpenOnPath) {
    const std::string output = m_work / "opened";
    WriteExecutableScript(m_programs / "xdg-open", "printf '%s|%s\\n' \"$1\" \"$#\" > '" + output +
                                                       ".part'\n" + "mv '" + output + ".part' '" +
                                                       output + "'\n");
    ScopedEnvironment path("PATH", m_programs.path() + ":/usr/bin:/bin");
    m_platform.ShellOpen("/spool/job 1.tif");
    EXPECT_TRUE(HasNoChildren());
    ASSERT_TRUE(Eventually([&] { return access(output.c_str(), F_OK) == 0; }));
    EXPECT_EQ(ReadTextFile(output), "/spool/job 1.tif|1\n");
}

TEST_F(SpawnShellOpen, DoesNothingWithoutXdgOpenOnPath) {
    // An xdg-open in the current folder must not be picked up.
    const std::string output = m_work / "opened";
    WriteExecutableScript(m_work / "xdg-open", "echo ran > '" + output + "'\n");
    ScopedCurrentFolder current(m_work.path());
    ScopedEnvironment path("PATH", m_programs.path());
    m_platform.ShellOpen("/spool/job.tif");
    EXPECT_TRUE(HasNoChildren());
    EXPECT_FALSE(Eventually([&] { return access(output.c_str(), F_OK) == 0; },
                            std::chrono::milliseconds(300)));
}

}  // namespace
}  // namespace aro::posix
