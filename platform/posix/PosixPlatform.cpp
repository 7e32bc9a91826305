#include "platform/posix/PosixPlatform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <string>

#include "platform/Utf8Boundary.h"
#include "platform/posix/DbusAutomation.h"
#include "platform/posix/EnvironmentExpansion.h"
#include "platform/posix/ExecutableSearch.h"
#include "platform/posix/FileCopy.h"
#include "platform/posix/ProfileWriter.h"
#include "platform/posix/RegistryHive.h"
#include "platform/posix/Spawn.h"
#include "platform/posix/StringResult.h"
#include "platform/posix/TempDirectory.h"
#include "platform/posix/TempFileName.h"
#include "platform/posix/UserAccount.h"
#include "platform/posix/VersionFile.h"

#ifndef ARO_SYSTEM_DIR
#error "the build passes the module's install folder as ARO_SYSTEM_DIR"
#endif

namespace aro::posix {

namespace {

bool IsEmpty(const char* text) {
    return text == nullptr || text[0] == '\0';
}

std::string WithoutTrailingSlashes(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

}  // namespace

bool PosixPlatform::QueryValue(Hive hive, const char* keyPath, const char* valueName,
                               unsigned char* data, uint32_t* size) {
    return ReadHiveValue(HiveFilePath(hive), hive, keyPath, valueName, data, size);
}

bool PosixPlatform::SetStringValue(Hive hive, const char* keyPath, const char* valueName,
                                   const char* text) {
    return WriteHiveString(HiveFilePath(hive), hive, keyPath, valueName, text);
}

void PosixPlatform::ShowMessage(const char* text, const char* caption, unsigned /*flags*/) {
    std::string line = caption ? caption : "";
    line += ": ";
    line += text ? text : "";
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

uint32_t PosixPlatform::GetTempPath(char* buffer, uint32_t capacity) {
    const std::string folder = TemporaryDirectory();
    if (folder.empty()) return 0;
    return StoreReportingLength(folder, buffer, capacity);
}

uint32_t PosixPlatform::ExpandEnvironment(const char* source, char* buffer, uint32_t capacity) {
    if (source == nullptr) return 0;
    return StoreReportingCount(ExpandEnvironmentText(source), buffer, capacity);
}

uint32_t PosixPlatform::GetLongPath(const char* path, char* buffer, uint32_t capacity) {
    if (IsEmpty(path)) return 0;
    char* resolved = realpath(path, nullptr);
    if (resolved == nullptr) return 0;
    const std::string longPath = resolved;
    std::free(resolved);
    return StoreReportingLength(longPath, buffer, capacity);
}

bool PosixPlatform::PathExists(const char* path) {
    if (IsEmpty(path)) return false;
    struct stat info {};
    // lstat as well: a dangling symlink is still an entry.
    return stat(path, &info) == 0 || lstat(path, &info) == 0;
}

bool PosixPlatform::CreateFolder(const char* path) {
    return !IsEmpty(path) && mkdir(path, 0777) == 0;
}

bool PosixPlatform::RemoveFile(const char* path) {
    return !IsEmpty(path) && unlink(path) == 0;
}

bool PosixPlatform::CopyFileTo(const char* source, const char* target, bool failIfExists) {
    return CopyFileBytes(source, target, failIfExists);
}

bool PosixPlatform::CreateTempFile(const char* folder, const char* prefix, char* name,
                                   uint32_t capacity) {
    return CreateUniqueTempFile(folder, prefix, name, capacity);
}

bool PosixPlatform::WriteProfileString(const char* section, const char* key, const char* value,
                                       const char* file) {
    return WritePrivateProfileString(section, key, value, file);
}

bool PosixPlatform::CreateNewFile(const char* path) {
    if (IsEmpty(path)) return false;
    const int fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    close(fd);
    return true;
}

std::size_t PosixPlatform::CharacterBoundaryAtOrBefore(const char* text, std::size_t length) {
    return Utf8BoundaryAtOrBefore(text, length);
}

bool PosixPlatform::GetUserName(char* buffer, uint32_t* size) {
    if (size == nullptr) return false;
    const auto name = EffectiveUserName();
    if (!name || name->size() >= UINT32_MAX) return false;
    const auto needed = static_cast<uint32_t>(name->size() + 1);
    if (buffer == nullptr || needed > *size) {
        *size = needed;
        return false;
    }
    name->copy(buffer, name->size());
    buffer[name->size()] = '\0';
    *size = needed;
    return true;
}

uint32_t PosixPlatform::GetSystemDirectory(char* buffer, uint32_t capacity) {
    const char* configured = std::getenv("ARO_PRINTER_SYSTEM_DIR");
    const std::string folder = IsEmpty(configured) ? ARO_SYSTEM_DIR : configured;
    return StoreReportingLength(WithoutTrailingSlashes(folder), buffer, capacity);
}

bool PosixPlatform::ReadFileVersion(const char* path, uint16_t parts[4]) {
    return ReadEmbeddedFileVersion(path, parts);
}

LocalTime PosixPlatform::GetLocalTime() {
    struct timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    struct tm fields {};
    localtime_r(&now.tv_sec, &fields);
    LocalTime time;
    time.year = fields.tm_year + 1900;
    time.month = fields.tm_mon + 1;
    time.day = fields.tm_mday;
    time.hour = fields.tm_hour;
    time.minute = fields.tm_min;
    time.second = fields.tm_sec;
    time.milliseconds = static_cast<int>(now.tv_nsec / 1000000);
    return time;
}

void PosixPlatform::StartProgram(const char* program, const char* parameter, bool wait) {
    if (IsEmpty(program)) return;
    const std::string argument = parameter ? parameter : "";
    const std::string toSpawn = ProgramToSpawn(program);
    if (wait) {
        SpawnAndWait(toSpawn, {argument, argument});
    } else {
        SpawnDetached(toSpawn, {argument, argument});
    }
}

void PosixPlatform::ShellOpen(const char* file) {
    if (file == nullptr) return;
    const auto opener = FindExecutableOnPath("xdg-open");
    if (!opener) return;
    SpawnDetached(*opener, {"xdg-open", file});
}

std::FILE* PosixPlatform::OpenLogFile(const char* path) {
    if (IsEmpty(path)) return nullptr;
    const int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return nullptr;
    std::FILE* stream = fdopen(fd, "w");
    if (stream == nullptr) close(fd);
    return stream;
}

void* PosixPlatform::AllocateZeroed(std::size_t bytes) {
    return std::calloc(bytes ? bytes : 1, 1);
}

void PosixPlatform::Free(void* block) {
    std::free(block);
}

std::unique_ptr<AutomationObject> PosixPlatform::CreateAutomationObject(const char* progId) {
    return CreateDbusAutomationObject(progId);
}

bool PosixPlatform::GetFileIdentity(const char* path, FileIdentity* identity) {
    struct stat status {};
    if (IsEmpty(path) || identity == nullptr || stat(path, &status) != 0) return false;
    identity->volume = static_cast<uint64_t>(status.st_dev);
    identity->index = static_cast<uint64_t>(status.st_ino);
    identity->size = static_cast<uint64_t>(status.st_size);
    identity->modified = static_cast<int64_t>(status.st_mtim.tv_sec) * 1000000000 +
                         static_cast<int64_t>(status.st_mtim.tv_nsec);
    return true;
}

}  // namespace aro::posix

namespace aro {

Platform& BuiltInPlatform() {
    static posix::PosixPlatform platform;
    return platform;
}

}  // namespace aro
