// The platform on Linux and other POSIX systems: Windows services mapped to
// their POSIX counterparts, reporting results the way the Win32 calls do.
#pragma once

#include "platform/Platform.h"

namespace aro::posix {

class PosixPlatform : public Platform {
public:
    bool QueryValue(Hive hive, const char* keyPath, const char* valueName, unsigned char* data,
                    uint32_t* size) override;
    bool SetStringValue(Hive hive, const char* keyPath, const char* valueName,
                        const char* text) override;

    // Never blocks and needs no display: "<caption>: <text>" on stderr.
    void ShowMessage(const char* text, const char* caption, unsigned flags) override;

    uint32_t GetTempPath(char* buffer, uint32_t capacity) override;
    uint32_t ExpandEnvironment(const char* source, char* buffer, uint32_t capacity) override;
    // The real path (symlinks and "." / ".." resolved).
    uint32_t GetLongPath(const char* path, char* buffer, uint32_t capacity) override;

    bool PathExists(const char* path) override;
    // mkdir with mode 0777 less the umask.
    bool CreateFolder(const char* path) override;
    bool RemoveFile(const char* path) override;
    bool CopyFileTo(const char* source, const char* target, bool failIfExists) override;
    bool CreateTempFile(const char* folder, const char* prefix, char* name,
                        uint32_t capacity) override;
    bool WriteProfileString(const char* section, const char* key, const char* value,
                            const char* file) override;

    // 0666 less the umask, as TIFFOpen creates files.
    bool CreateNewFile(const char* path) override;
    // UTF-8: a sequence cut short is left out whole.
    std::size_t CharacterBoundaryAtOrBefore(const char* text, std::size_t length) override;

    bool GetUserName(char* buffer, uint32_t* size) override;
    // $ARO_PRINTER_SYSTEM_DIR when set, else the folder the module is
    // installed to; without a trailing "/".
    uint32_t GetSystemDirectory(char* buffer, uint32_t capacity) override;
    bool ReadFileVersion(const char* path, uint16_t parts[4]) override;
    LocalTime GetLocalTime() override;

    // argv is exactly {parameter, parameter}: unlike a Windows command line
    // it is not split at spaces. A program that cannot be started is
    // silently skipped.
    void StartProgram(const char* program, const char* parameter, bool wait) override;
    // Hands the file to xdg-open, if there is one on PATH; does not wait.
    void ShellOpen(const char* file) override;

    // Created 0600; refuses to follow a symlink at the path.
    std::FILE* OpenLogFile(const char* path) override;

    // Never null for 0 bytes: a unique block is returned, so null always
    // means out of memory.
    void* AllocateZeroed(std::size_t bytes) override;
    void Free(void* block) override;

    std::unique_ptr<AutomationObject> CreateAutomationObject(const char* progId) override;

    // stat of the file a symbolic link leads to: device, inode, size and
    // modification time in nanoseconds.
    bool GetFileIdentity(const char* path, FileIdentity* identity) override;
};

}  // namespace aro::posix
