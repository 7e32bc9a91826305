#include "fake/FakePlatform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <tiffio.h>

#include "config/DiagnosticLog.h"
#include "imaging/BackgroundBitmap.h"
#include "imaging/BackgroundCache.h"
#include "imaging/ColourPageWriter.h"
#include "job/JobContext.h"
#include "platform/Utf8Boundary.h"

namespace aro::test {

namespace {

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

uint32_t StoreResult(const std::string& value, char* buffer, uint32_t capacity) {
    if (value.size() + 1 > capacity) return static_cast<uint32_t>(value.size() + 1);
    std::memcpy(buffer, value.c_str(), value.size() + 1);
    return static_cast<uint32_t>(value.size());
}

}  // namespace

FakePlatform::FakePlatform() {
    char pattern[] = "/tmp/aro-fake-log-XXXXXX";
    int fd = mkstemp(pattern);
    if (fd >= 0) close(fd);
    logFilePath = pattern;
}

FakePlatform::~FakePlatform() {
    unlink(logFilePath.c_str());
}

std::string FakePlatform::MapKey(const std::string& key, const std::string& name) {
    return Upper(key) + "\\\\" + Upper(name);
}

void FakePlatform::SetString(Hive hive, const std::string& key, const std::string& name,
                             const std::string& text) {
    std::vector<unsigned char> data(text.begin(), text.end());
    data.push_back(0);
    SetRaw(hive, key, name, 1, std::move(data));
}

void FakePlatform::SetRaw(Hive hive, const std::string& key, const std::string& name, uint32_t type,
                          std::vector<unsigned char> data) {
    hives[static_cast<int>(hive)][MapKey(key, name)] = RegValue{type, std::move(data)};
}

std::string FakePlatform::GetString(Hive hive, const std::string& key,
                                    const std::string& name) const {
    const auto& map = hives[static_cast<int>(hive)];
    auto it = map.find(MapKey(key, name));
    if (it == map.end()) return "<absent>";
    std::string text(it->second.data.begin(), it->second.data.end());
    if (!text.empty() && text.back() == '\0') text.pop_back();
    return text;
}

bool FakePlatform::QueryValue(Hive hive, const char* keyPath, const char* valueName,
                              unsigned char* data, uint32_t* size) {
    const auto& map = hives[static_cast<int>(hive)];
    auto it = map.find(MapKey(keyPath, valueName));
    if (it == map.end() || it->second.data.size() > *size) return false;
    std::copy(it->second.data.begin(), it->second.data.end(), data);
    *size = static_cast<uint32_t>(it->second.data.size());
    return true;
}

bool FakePlatform::SetStringValue(Hive hive, const char* keyPath, const char* valueName,
                                  const char* text) {
    if (setValueFails) return false;
    SetString(hive, keyPath, valueName, text);
    return true;
}

void FakePlatform::ShowMessage(const char* text, const char* caption, unsigned flags) {
    messages.push_back({text, caption, flags});
}

uint32_t FakePlatform::GetTempPath(char* buffer, uint32_t capacity) {
    if (tempPath.empty()) return 0;
    return StoreResult(tempPath, buffer, capacity);
}

uint32_t FakePlatform::ExpandEnvironment(const char* source, char* buffer, uint32_t capacity) {
    std::string text = source;
    for (const auto& [name, value] : environment) {
        std::string token = "%" + name + "%";
        for (size_t at = text.find(token); at != std::string::npos;
             at = text.find(token, at + value.size()))
            text.replace(at, token.size(), value);
    }
    uint32_t stored = StoreResult(text, buffer, capacity);
    return stored == text.size() ? stored + 1 : stored;
}

uint32_t FakePlatform::GetLongPath(const char* path, char* buffer, uint32_t capacity) {
    auto it = longPaths.find(path);
    if (it == longPaths.end()) return 0;
    return StoreResult(it->second, buffer, capacity);
}

// Entries the test declared, and real files the code under test created.
bool FakePlatform::PathExists(const char* path) {
    return *path && (paths.count(path) > 0 || access(path, F_OK) == 0);
}

bool FakePlatform::CreateFolder(const char* path) {
    createdFolders.push_back(path);
    if (!*path) return false;
    paths.insert(path);
    return true;
}

bool FakePlatform::RemoveFile(const char* path) {
    removedFiles.push_back(path);
    bool declared = paths.erase(path) > 0;
    return (*path && unlink(path) == 0) || declared;
}

bool FakePlatform::CopyFileTo(const char* source, const char* target, bool failIfExists) {
    if (failIfExists && paths.count(target)) return false;
    if (!paths.count(source)) return false;
    paths.insert(target);
    return true;
}

bool FakePlatform::CreateTempFile(const char* folder, const char* prefix, char* name,
                                  uint32_t capacity) {
    std::string path = std::string(folder) + prefix + std::to_string(++m_tempCounter) + ".tmp";
    if (path.size() + 1 > capacity) return false;
    std::memcpy(name, path.c_str(), path.size() + 1);
    paths.insert(path);
    return true;
}

bool FakePlatform::WriteProfileString(const char* section, const char* key, const char* value,
                                      const char* file) {
    profileWrites.push_back({section, key, value, file});
    return true;
}

bool FakePlatform::CreateNewFile(const char* path) {
    if (!*path || paths.count(path)) return false;
    const int fd = open(path, O_WRONLY | O_CREAT | O_EXCL, 0666);
    if (fd < 0) return false;
    close(fd);
    return true;
}

std::size_t FakePlatform::CharacterBoundaryAtOrBefore(const char* text, std::size_t length) {
    return Utf8BoundaryAtOrBefore(text, length);
}

bool FakePlatform::GetUserName(char* buffer, uint32_t* size) {
    if (userNameFails || userName.size() + 1 > *size) {
        *size = static_cast<uint32_t>(userName.size() + 1);
        return false;
    }
    std::memcpy(buffer, userName.c_str(), userName.size() + 1);
    *size = static_cast<uint32_t>(userName.size() + 1);
    return true;
}

uint32_t FakePlatform::GetSystemDirectory(char* buffer, uint32_t capacity) {
    return StoreResult(systemDirectory, buffer, capacity);
}

bool FakePlatform::ReadFileVersion(const char* path, uint16_t parts[4]) {
    auto it = fileVersions.find(path);
    if (it == fileVersions.end()) return false;
    std::copy(it->second.begin(), it->second.end(), parts);
    return true;
}

LocalTime FakePlatform::GetLocalTime() {
    LocalTime reading = now;
    now.milliseconds += clockStepMilliseconds;
    while (now.milliseconds >= 1000) {
        now.milliseconds -= 1000;
        ++now.second;
    }
    return reading;
}

void FakePlatform::StartProgram(const char* program, const char* parameter, bool wait) {
    programs.push_back({program, parameter, wait});
}

void FakePlatform::ShellOpen(const char* file) {
    shellOpens.push_back(file);
}

std::FILE* FakePlatform::OpenLogFile(const char* path) {
    (void)path;
    return std::fopen(logFilePath.c_str(), "w");
}

std::string FakePlatform::LogText() {
    if (g_log.file) std::fflush(g_log.file);
    std::ifstream in(logFilePath, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

void* FakePlatform::AllocateZeroed(std::size_t bytes) {
    if (allocationFails) return nullptr;
    ++allocations;
    return std::calloc(1, bytes ? bytes : 1);
}

void FakePlatform::Free(void* block) {
    std::free(block);
}

std::unique_ptr<AutomationObject> FakePlatform::CreateAutomationObject(const char* progId) {
    return automationFactory ? automationFactory(progId) : nullptr;
}

bool FakePlatform::GetFileIdentity(const char* path, FileIdentity* identity) {
    struct stat status {};
    std::error_code error;
    const auto modified = std::filesystem::last_write_time(path, error);
    if (error || stat(path, &status) != 0) return false;
    identity->volume = static_cast<uint64_t>(status.st_dev);
    identity->index = static_cast<uint64_t>(status.st_ino);
    identity->size = static_cast<uint64_t>(status.st_size);
    identity->modified = static_cast<int64_t>(modified.time_since_epoch().count());
    return true;
}

ScopedFakePlatform::ScopedFakePlatform() {
    ResetJobContext();
    SetPlatform(&m_platform);
}

// A test may stop in the middle of a job: what the job holds is released
// here, as a host's endDocExit would.
ScopedFakePlatform::~ScopedFakePlatform() {
    if (g_log.file) std::fclose(g_log.file);
    if (g_job.page.out) TIFFClose(g_job.page.out);
    ReleaseStripBuffer();
    if (g_job.page.background) {
        g_job.page.background->FreeDib();
        delete g_job.page.background;
    }
    // Kept decodes go back to the allocator they came from.
    ReleaseBackgroundCache();
    ResetJobContext();
    SetPlatform(nullptr);
}

}  // namespace aro::test
