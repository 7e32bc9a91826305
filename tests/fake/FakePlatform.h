// An in-memory platform for unit tests: registry hives in maps, files and
// folders in a set, and a record of every message, program and hand-off call.
#pragma once

#include <cstdio>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace aro::test {

class FakePlatform : public Platform {
public:
    struct Message {
        std::string text, caption;
        unsigned flags;
    };
    struct Program {
        std::string program, parameter;
        bool wait;
    };
    struct ProfileWrite {
        std::string section, key, value, file;
    };
    struct RegValue {
        uint32_t type = 1;
        std::vector<unsigned char> data;
    };

    FakePlatform();
    ~FakePlatform() override;

    // Test set-up.
    void SetString(Hive hive, const std::string& key, const std::string& name,
                   const std::string& text);
    void SetRaw(Hive hive, const std::string& key, const std::string& name, uint32_t type,
                std::vector<unsigned char> data);
    // The text stored under a value, or "<absent>".
    std::string GetString(Hive hive, const std::string& key, const std::string& name) const;

    std::map<std::string, RegValue> hives[2];  // "KEY\\name" in upper case -> value
    std::vector<Message> messages;
    std::vector<Program> programs;
    std::vector<std::string> shellOpens;
    std::vector<ProfileWrite> profileWrites;
    std::vector<std::string> removedFiles;
    std::vector<std::string> createdFolders;
    std::set<std::string> paths;  // entries that PathExists reports
    std::string tempPath = "/tmp/fake/";
    std::string userName = "alice";
    bool userNameFails = false;
    std::string systemDirectory = "/usr/lib/fake";
    std::map<std::string, std::vector<uint16_t>> fileVersions;
    std::map<std::string, std::string> environment;  // for %NAME% expansion
    std::map<std::string, std::string> longPaths;    // path -> long form
    LocalTime now{2026, 12, 7, 9, 5, 3, 45};
    int clockStepMilliseconds = 0;  // added after every GetLocalTime
    bool allocationFails = false;
    bool setValueFails = false;
    std::string logFilePath;  // what OpenLogFile was asked for
    std::function<std::unique_ptr<AutomationObject>(const char*)> automationFactory;

    bool QueryValue(Hive hive, const char* keyPath, const char* valueName, unsigned char* data,
                    uint32_t* size) override;
    bool SetStringValue(Hive hive, const char* keyPath, const char* valueName,
                        const char* text) override;
    void ShowMessage(const char* text, const char* caption, unsigned flags) override;
    uint32_t GetTempPath(char* buffer, uint32_t capacity) override;
    uint32_t ExpandEnvironment(const char* source, char* buffer, uint32_t capacity) override;
    uint32_t GetLongPath(const char* path, char* buffer, uint32_t capacity) override;
    bool PathExists(const char* path) override;
    bool CreateFolder(const char* path) override;
    bool RemoveFile(const char* path) override;
    bool CopyFileTo(const char* source, const char* target, bool failIfExists) override;
    bool CreateTempFile(const char* folder, const char* prefix, char* name,
                        uint32_t capacity) override;
    bool WriteProfileString(const char* section, const char* key, const char* value,
                            const char* file) override;
    // Declared paths count as taken; otherwise a real file is created.
    bool CreateNewFile(const char* path) override;
    // UTF-8, as on POSIX.
    std::size_t CharacterBoundaryAtOrBefore(const char* text, std::size_t length) override;
    bool GetUserName(char* buffer, uint32_t* size) override;
    uint32_t GetSystemDirectory(char* buffer, uint32_t capacity) override;
    bool ReadFileVersion(const char* path, uint16_t parts[4]) override;
    LocalTime GetLocalTime() override;
    void StartProgram(const char* program, const char* parameter, bool wait) override;
    void ShellOpen(const char* file) override;
    std::FILE* OpenLogFile(const char* path) override;
    void* AllocateZeroed(std::size_t bytes) override;
    void Free(void* block) override;
    std::unique_ptr<AutomationObject> CreateAutomationObject(const char* progId) override;

    // Real files only (the declared paths have no versions): device, inode,
    // size and last write time.
    bool GetFileIdentity(const char* path, FileIdentity* identity) override;
    int allocations = 0;  // blocks AllocateZeroed handed out

    // Everything written to the log file so far (the log goes to a memory stream).
    std::string LogText();

private:
    static std::string MapKey(const std::string& key, const std::string& name);
    int m_tempCounter = 0;
};

// Installs a fresh FakePlatform and a fresh job context for one test.
class ScopedFakePlatform {
public:
    ScopedFakePlatform();
    ~ScopedFakePlatform();
    FakePlatform& operator*() { return m_platform; }
    FakePlatform* operator->() { return &m_platform; }
    const FakePlatform* operator->() const { return &m_platform; }

private:
    FakePlatform m_platform;
};

}  // namespace aro::test
