#include "LocalSocket.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>

namespace aro::printerapp {

namespace {

bool MakePrivate(pappl_system_t* system, void* data) {
    const auto* path = static_cast<const std::string*>(data);
    struct stat info {};
    if (lstat(path->c_str(), &info) == 0 && S_ISSOCK(info.st_mode) && info.st_uid == geteuid() &&
        chmod(path->c_str(), S_IRWXU) != 0)
        papplLog(system, PAPPL_LOGLEVEL_ERROR, "Cannot make %s private.", path->c_str());
    return false;  // once
}

}  // namespace

std::string LocalSocketPath(const char* baseName, uid_t uid) {
    if (uid != 0)
        return std::string(papplGetTempDir()) + "/" + baseName + std::to_string(uid) + ".sock";
    const char* snapCommon = std::getenv("SNAP_COMMON");
    return std::string(snapCommon ? snapCommon : "/run") + "/" + baseName + ".sock";
}

void KeepLocalSocketPrivate(pappl_system_t* system, const char* baseName) {
    static std::string path;
    path = LocalSocketPath(baseName, getuid());
    papplSystemAddTimerCallback(system, time(nullptr), 0, MakePrivate, &path);
}

}  // namespace aro::printerapp
