#include "ModuleSettings.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "config/SettingsStore.h"
#include "platform/posix/RegistryHive.h"

namespace aro::host {

namespace {

constexpr size_t kValueSize = 260;

}  // namespace

std::string UserSetting(const char* name) {
    char value[kValueSize];
    ReadSetting(Hive::CurrentUser, kMainKey, name, value);
    return value;
}

std::string UserThenMachineSetting(const char* name) {
    char value[kValueSize];
    ReadUserThenMachineSetting(name, value);
    return value;
}

bool CutLinesSet() {
    char value[8];
    if (!ReadUserSetting("CutLines", value) || value[1] == '\0') return false;
    return std::strtol(value, nullptr, 10) > 0;
}

long PageLimit() {
    char value[50];
    if (!ReadUserThenMachineSetting("MaxPagesCount", value)) return -1;
    return std::strtol(value, nullptr, 10);
}

std::string UserHiveFile() {
    return posix::HiveFilePath(Hive::CurrentUser);
}

std::string MachineHiveFile() {
    return posix::HiveFilePath(Hive::LocalMachine);
}

}  // namespace aro::host

namespace aro::host {

std::string DescribeHiveFile(const std::string& path) {
    if (path.empty()) return "(none)";
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return path + " (missing)";
    if (access(path.c_str(), R_OK) != 0) return path + " (not readable)";
    return path;
}

}  // namespace aro::host
