// Drives AroPrinterCfg.dll the way a printer driver does on Windows: every
// job runs in a fresh process of this test program, which loads the module
// with LoadLibraryA and finds its entry points with GetProcAddress. Each
// sandbox has its own temporary folder (TEMP and TMP of the job), output
// folder and message record (ARO_PRINTER_MESSAGE_LOG); settings live in the
// registry, under keys that every sandbox clears. Jobs are functions
// registered by name with ARO_JOB, since a lambda cannot cross into
// another process.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "AroPrinterCfg.h"

namespace aro::wtest {

struct Module {
    decltype(&::startDocExit) startDoc;
    decltype(&::startPageExit) startPage;
    decltype(&::endPageExit) endPage;
    decltype(&::endDocExit) endDoc;
    decltype(&::GetPrintFileName) printFileName;
    decltype(&::PrintJobName) jobName;
    decltype(&::dlgproc) dialog;
};

// What a job body gets from the test and gives back.
struct Job {
    std::vector<std::string> arguments;
    std::vector<std::string> outputs;
};
using JobBody = void (*)(Module&, Job&);

bool RegisterJob(const char* name, JobBody body);
JobBody FindJob(const std::string& name);

#define ARO_JOB(name)                                                                             \
    void name##Body(::aro::wtest::Module&, ::aro::wtest::Job&);                                   \
    [[maybe_unused]] const bool name##Registered = ::aro::wtest::RegisterJob(#name, &name##Body); \
    void name##Body([[maybe_unused]] ::aro::wtest::Module& m,                                     \
                    [[maybe_unused]] ::aro::wtest::Job& job)

// What a job left behind.
struct JobResult {
    DWORD exitCode = 0;
    std::vector<std::string> outputs;
    // The message boxes: the records of ARO_PRINTER_MESSAGE_LOG, as written.
    std::string messages;
    // The test automation server's records, if it was used.
    std::vector<std::string> serverCalls;
};

using Settings = std::vector<std::pair<std::string, std::string>>;

// The module's settings keys.
constexpr const char* kMainKey = "Software\\ARO Digital\\Dovurezazuv";
constexpr const char* kModuleTree = "Software\\ARO Digital";
// The key AlternateKey names in UseSettings; inside the module's tree, so
// that it is cleared with it.
constexpr const char* kOutputKey = "Software\\ARO Digital\\Test\\Out";

class Sandbox {
public:
    Sandbox();
    ~Sandbox();
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    const std::string& root() const { return m_root; }
    // Ends in a backslash, as GetTempPathA gives it.
    std::string tempDir() const { return m_root + "\\tmp\\"; }
    std::string outDir() const { return m_root + "\\out"; }

    // Main-key values in the user's hive; output folder through AlternateKey.
    void UseSettings(const Settings& values) const;

    // Runs the registered job in a new process; extraEnvironment holds
    // "NAME=value" entries.
    JobResult Run(const char* job, const std::vector<std::string>& arguments = {},
                  const std::vector<std::string>& extraEnvironment = {}) const;

    // Names in the folder that end in the suffix, sorted.
    std::vector<std::string> Files(const std::string& folder, const std::string& suffix) const;

private:
    std::string m_root;
};

// Registers the test automation server for both ProgIDs while it lives.
class RegisteredArchiveServer {
public:
    RegisteredArchiveServer();
    ~RegisteredArchiveServer();
    RegisteredArchiveServer(const RegisteredArchiveServer&) = delete;
    RegisteredArchiveServer& operator=(const RegisteredArchiveServer&) = delete;
};
// Removes the server's registration (a crashed test may have left one).
void UnregisterArchiveServer();

// The folder of this program, where the build puts the module, the test
// automation server and the probe program too.
std::string ProgramFolder();
std::string ModulePath();

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& content);
bool FileExists(const std::string& path);
// Lines without their "\r\n" or "\n".
std::vector<std::string> Lines(const std::string& text);

// The child's side: runs the job named on the command line
// ("--aro-job NAME SANDBOX [ARGUMENTS...]"); its result is the exit code.
bool IsJobCommandLine(int argc, char** argv);
int RunJobProcess(int argc, char** argv);

}  // namespace aro::wtest
