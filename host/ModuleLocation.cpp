#include "ModuleLocation.h"

#include <sys/stat.h>
#include <unistd.h>

#ifndef ARO_HOST_MULTIARCH
#define ARO_HOST_MULTIARCH ""
#endif

namespace aro::host {

namespace {

constexpr const char* kModuleFile = "libAroPrinterCfg.so";

bool IsRegularFile(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

std::vector<std::string> ModuleCandidates(const std::string& programDir,
                                          const std::string& multiarch) {
    std::vector<std::string> candidates;
    if (!multiarch.empty())
        candidates.push_back(programDir + "/../lib/" + multiarch + "/" + kModuleFile);
    candidates.push_back(programDir + "/../lib/" + kModuleFile);
    candidates.push_back(programDir + "/" + kModuleFile);
    return candidates;
}

std::string ProgramDirectory() {
    std::string path(4096, '\0');
    ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
    if (length <= 0 || static_cast<size_t>(length) >= path.size()) return "";
    path.resize(static_cast<size_t>(length));
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash == 0 ? 1 : slash);
}

std::string FindDefaultModule(std::vector<std::string>* tried) {
    std::string programDir = ProgramDirectory();
    if (programDir.empty()) return "";
    for (const std::string& candidate : ModuleCandidates(programDir, ARO_HOST_MULTIARCH)) {
        if (IsRegularFile(candidate)) return candidate;
        tried->push_back(candidate);
    }
    return "";
}

}  // namespace aro::host
