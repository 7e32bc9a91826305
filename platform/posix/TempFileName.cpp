#include "platform/posix/TempFileName.h"

#include <fcntl.h>
#include <unistd.h>
#include <cstdlib>
#include <cstring>
#include <string>

namespace aro::posix {

namespace {

constexpr const char* kUniquePart = "XXXXXX";
constexpr const char* kSuffix = ".tmp";
constexpr int kSuffixLength = 4;

std::string NameTemplate(const std::string& folder, const char* prefix) {
    std::string name = folder;
    if (!name.empty() && name.back() != '/') name += '/';
    name += prefix ? prefix : "";
    name += kUniquePart;
    name += kSuffix;
    return name;
}

}  // namespace

bool CreateUniqueTempFile(const char* folder, const char* prefix, char* name, uint32_t capacity) {
    if (folder == nullptr || name == nullptr) return false;
    std::string path = NameTemplate(folder, prefix);
    // The created name is as long as its template: check the room first so
    // that no file is left behind when the name cannot be handed back.
    if (path.size() >= capacity) return false;
    const int fd = mkostemps(path.data(), kSuffixLength, O_CLOEXEC);  // mode 0600
    if (fd < 0) return false;
    close(fd);
    std::memcpy(name, path.c_str(), path.size() + 1);
    return true;
}

}  // namespace aro::posix
