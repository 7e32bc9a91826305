#include "SettingsSetup.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ExitCodes.h"
#include "ModuleSettings.h"

namespace aro::host {

namespace {

constexpr const char* kOutputKey = "Software\\\\ARO Digital\\\\aro-print";

std::string RegText(const std::string& text) {
    std::string quoted;
    for (char c : text) {
        if (c == '\\' || c == '"') quoted += '\\';
        quoted += c;
    }
    return quoted;
}

// Every missing folder along the path, as mkdir -p does.
bool MakeFolders(const std::string& path) {
    for (size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1))
        if (mkdir(path.substr(0, slash).c_str(), 0777) != 0 && errno != EEXIST) return false;
    return mkdir(path.c_str(), 0777) == 0 || errno == EEXIST;
}

std::string Absolute(const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    char cwd[PATH_MAX];
    if (!getcwd(cwd, sizeof cwd)) return path;
    return std::string(cwd) + "/" + path;
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "aro-print: --setup: %s\n", message.c_str());
    return kExitIncomplete;
}

bool WriteNewFile(const std::string& path, const std::string& text) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    return close(fd) == 0 && written;
}

}  // namespace

std::string MinimalUserHive(const std::string& folder) {
    return "Windows Registry Editor Version 5.00\n\n"
           "[HKEY_CURRENT_USER\\Software\\ARO Digital\\Dovurezazuv]\n"
           "\"AlternateKey\"=\"" +
           std::string(kOutputKey) +
           "\"\n\n"
           "[HKEY_CURRENT_USER\\Software\\ARO Digital\\aro-print]\n"
           "\"Dovurezazuv\"=\"" +
           RegText(folder) + "\"\n";
}

int SetUpUserHive(const std::string& folder) {
    std::string hive = UserHiveFile();
    if (hive.empty()) return Fail("no user hive file can be named (ARO_PRINTER_HKCU is empty)");
    struct stat st;
    if (lstat(hive.c_str(), &st) == 0)
        return Fail(hive + " exists and is left as it is; 'aro-print --check' shows what it sets");
    if (folder.empty()) return Fail("the folder is empty");
    std::string target = Absolute(folder);
    while (target.size() > 1 && target.back() == '/') target.pop_back();
    if (!MakeFolders(target))
        return Fail("cannot create the folder " + target + ": " + std::strerror(errno));
    char resolved[PATH_MAX];
    if (realpath(target.c_str(), resolved)) target = resolved;
    size_t slash = hive.rfind('/');
    if (slash != std::string::npos && slash > 0 && !MakeFolders(hive.substr(0, slash)))
        return Fail("cannot create the folder of " + hive + ": " + std::strerror(errno));
    if (!WriteNewFile(hive, MinimalUserHive(target)))
        return Fail("cannot write " + hive + ": " + std::strerror(errno));
    std::printf("wrote %s: every job's file goes to %s\n", hive.c_str(), target.c_str());
    return kExitPrinted;
}

}  // namespace aro::host
