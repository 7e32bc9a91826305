#include "platform/posix/TempDirectory.h"

#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>

namespace aro::posix {

namespace {

constexpr const char* kSharedTemporaryBase = "/tmp";

bool IsPrivateDirectoryOf(const struct stat& info, uid_t owner) {
    return S_ISDIR(info.st_mode) && info.st_uid == owner && (info.st_mode & 077) == 0;
}

}  // namespace

std::string PrivateTemporaryDirectory(const std::string& base, uid_t owner) {
    const std::string folder = base + "/aro-printer-" + std::to_string(owner);
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return {};
    // Checked after mkdir, whoever created it: lstat does not follow a
    // symlink planted in its place.
    struct stat info {};
    if (lstat(folder.c_str(), &info) != 0 || !IsPrivateDirectoryOf(info, owner)) return {};
    return folder + "/";
}

std::string TemporaryDirectory() {
    const char* configured = std::getenv("TMPDIR");
    if (configured != nullptr && configured[0] != '\0') {
        std::string folder = configured;
        if (folder.back() != '/') folder += '/';
        return folder;
    }
    return PrivateTemporaryDirectory(kSharedTemporaryBase, geteuid());
}

}  // namespace aro::posix
