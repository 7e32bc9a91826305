#include "platform/posix/ExecutableSearch.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cstdlib>

namespace aro::posix {

namespace {

bool IsRegularFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool IsExecutableFile(const std::string& path) {
    return IsRegularFile(path) && faccessat(AT_FDCWD, path.c_str(), X_OK, AT_EACCESS) == 0;
}

std::string SearchPath() {
    if (const char* path = std::getenv("PATH")) return path;
    const std::size_t size = confstr(_CS_PATH, nullptr, 0);
    if (size == 0) return "/bin:/usr/bin";
    std::string fallback(size, '\0');
    confstr(_CS_PATH, fallback.data(), size);
    fallback.resize(size - 1);
    return fallback;
}

std::string JoinFolder(const std::string& folder, const std::string& name) {
    if (folder.empty()) return "./" + name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

}  // namespace

std::optional<std::string> FindExecutableOnPath(const std::string& name) {
    if (name.empty() || name.find('/') != std::string::npos) return std::nullopt;
    const std::string folders = SearchPath();
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = folders.find(':', start);
        const std::string candidate =
            JoinFolder(folders.substr(start, end == std::string::npos ? end : end - start), name);
        if (IsExecutableFile(candidate)) return candidate;
        if (end == std::string::npos) return std::nullopt;
        start = end + 1;
    }
}

std::string ProgramToSpawn(const std::string& program) {
    if (program.find('/') == std::string::npos && IsExecutableFile(program)) return "./" + program;
    return program;
}

}  // namespace aro::posix
