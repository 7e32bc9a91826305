// A work folder for the bench's module instances: hive files, output
// folder, temporary folder, all under one root that is removed at the end.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace aro::bench {

class BenchSandbox {
public:
    explicit BenchSandbox(const std::string& root);
    ~BenchSandbox();
    BenchSandbox(const BenchSandbox&) = delete;
    BenchSandbox& operator=(const BenchSandbox&) = delete;

    const std::string& root() const { return m_root; }
    std::string outDir() const { return m_root + "/out"; }

    // A user hive that names the output folder, plus the given main-key
    // values; returns its path.
    std::string WriteHive(const std::string& name,
                          const std::vector<std::pair<std::string, std::string>>& values) const;

    // Points the module's hives, temporary and system folders into the
    // sandbox (no version record is written: the system folder holds no module).
    void UseHive(const std::string& hivePath) const;

    // Removes every file the module wrote into the output folder.
    void ClearOutput() const;

private:
    std::string m_root;
};

}  // namespace aro::bench
