// Drives the built module the way a printer driver does: every job runs in
// a child process that loads the module afresh, with its own hive files,
// temporary directory, system directory and output folder.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "AroPrinterCfg.h"
#include "ExitModule.h"

namespace aro::itest {

// The module's entry points, as aro-print resolves them.
using Module = host::ExitModule;

// What a job left behind in the child.
struct JobResult {
    int exitCode = -1;
    std::vector<std::string> outputs;  // what the job body recorded
    std::string standardError;         // message boxes end up here
};

// One sandbox: a folder with user.reg, machine.reg, tmp/, system/ and out/.
class Sandbox {
public:
    Sandbox();
    ~Sandbox();
    const std::string& root() const { return m_root; }
    std::string userHive() const { return m_root + "/user.reg"; }
    std::string machineHive() const { return m_root + "/machine.reg"; }
    std::string tempDir() const { return m_root + "/tmp/"; }
    std::string outDir() const { return m_root + "/out"; }
    std::string systemDir() const { return m_root + "/system"; }

    // Writes a hive file: header, then the sections as given.
    void WriteUserHive(const std::string& body) const;
    void WriteMachineHive(const std::string& body) const;
    // Main-key values for the user hive, output folder through AlternateKey.
    void UseSettings(const std::vector<std::pair<std::string, std::string>>& values) const;

    // Runs body in a child that has loaded the module; environment variables
    // of the sandbox are set there, plus extraEnvironment ("NAME=value").
    JobResult Run(const std::function<void(Module&, std::vector<std::string>&)>& body,
                  const std::vector<std::string>& extraEnvironment = {}) const;

    std::vector<std::string> Files(const std::string& folder, const std::string& suffix) const;

private:
    std::string m_root;
};

std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);

// A 1-bit page (set bit = white), rows padded to 32 bits.
std::vector<unsigned char> MonoPage(uint32_t width, uint32_t rows, int seed);

// Prints a page in bands; returns the statuses.
std::vector<int> PrintPage(Module& m, std::vector<unsigned char> page, uint32_t width,
                           uint32_t rows, uint32_t bandRows, int format, int dpi = 300);

}  // namespace aro::itest
