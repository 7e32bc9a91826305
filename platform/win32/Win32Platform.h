// The platform on Windows: the Win32 services the module was designed
// around, called as the design names them (the "A" functions, the C
// runtime's spawn and streams, COM automation).
#pragma once

// First: the Platform members must not meet <windows.h>'s A/W macros.
#include "platform/win32/WindowsApi.h"

#include "platform/Platform.h"

namespace aro::win32 {

class Win32Platform : public Platform {
public:
    bool QueryValue(Hive hive, const char* keyPath, const char* valueName, unsigned char* data,
                    uint32_t* size) override;
    bool SetStringValue(Hive hive, const char* keyPath, const char* valueName,
                        const char* text) override;

    // MessageBoxA, or a record in the file named by ARO_PRINTER_MESSAGE_LOG.
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

    bool CreateNewFile(const char* path) override;
    // The ANSI code page's double-byte characters (IsDBCSLeadByteEx).
    std::size_t CharacterBoundaryAtOrBefore(const char* text, std::size_t length) override;

    bool GetUserName(char* buffer, uint32_t* size) override;
    uint32_t GetSystemDirectory(char* buffer, uint32_t capacity) override;
    bool ReadFileVersion(const char* path, uint16_t parts[4]) override;
    LocalTime GetLocalTime() override;

    // _spawnvp with the argument vector (parameter, parameter).
    void StartProgram(const char* program, const char* parameter, bool wait) override;
    void ShellOpen(const char* file) override;

    std::FILE* OpenLogFile(const char* path) override;

    // GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT) and GlobalFree.
    void* AllocateZeroed(std::size_t bytes) override;
    void Free(void* block) override;

    std::unique_ptr<AutomationObject> CreateAutomationObject(const char* progId) override;

    void MoveWindowTo(void* window, int left, int top) override;
    void EndDialog(void* window, intptr_t result) override;

    // GetFileInformationByHandle: volume serial number, file index, size and
    // last write time; GetFileAttributesExA (size and last write time) when
    // the file cannot be opened for its attributes.
    bool GetFileIdentity(const char* path, FileIdentity* identity) override;
};

}  // namespace aro::win32
