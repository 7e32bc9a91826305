#include "platform/win32/Win32Platform.h"

#include <cstring>

#include "platform/win32/ComAutomation.h"
#include "platform/win32/FileVersion.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/ProgramStart.h"
#include "platform/win32/Registry.h"
#include "platform/win32/WindowsApi.h"

#include <shellapi.h>

namespace aro::win32 {

namespace {

bool IsEmpty(const char* text) {
    return text == nullptr || text[0] == '\0';
}

DWORD Capacity(char* buffer, uint32_t capacity) {
    return buffer == nullptr ? 0 : capacity;
}

}  // namespace

bool Win32Platform::QueryValue(Hive hive, const char* keyPath, const char* valueName,
                               unsigned char* data, uint32_t* size) {
    return QueryRegistryValue(hive, keyPath, valueName, data, size);
}

bool Win32Platform::SetStringValue(Hive hive, const char* keyPath, const char* valueName,
                                   const char* text) {
    return SetRegistryString(hive, keyPath, valueName, text);
}

void Win32Platform::ShowMessage(const char* text, const char* caption, unsigned flags) {
    ShowMessageBox(text, caption, flags);
}

uint32_t Win32Platform::GetTempPath(char* buffer, uint32_t capacity) {
    return GetTempPathA(Capacity(buffer, capacity), buffer);
}

uint32_t Win32Platform::ExpandEnvironment(const char* source, char* buffer, uint32_t capacity) {
    if (source == nullptr) return 0;
    return ExpandEnvironmentStringsA(source, buffer, Capacity(buffer, capacity));
}

uint32_t Win32Platform::GetLongPath(const char* path, char* buffer, uint32_t capacity) {
    if (IsEmpty(path)) return 0;
    return GetLongPathNameA(path, buffer, Capacity(buffer, capacity));
}

bool Win32Platform::PathExists(const char* path) {
    if (IsEmpty(path)) return false;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(path, &entry);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    return true;
}

bool Win32Platform::CreateFolder(const char* path) {
    return !IsEmpty(path) && CreateDirectoryA(path, nullptr);
}

bool Win32Platform::RemoveFile(const char* path) {
    return !IsEmpty(path) && DeleteFileA(path);
}

bool Win32Platform::CopyFileTo(const char* source, const char* target, bool failIfExists) {
    if (IsEmpty(source) || IsEmpty(target)) return false;
    return CopyFileA(source, target, failIfExists ? TRUE : FALSE);
}

bool Win32Platform::CreateTempFile(const char* folder, const char* prefix, char* name,
                                   uint32_t capacity) {
    if (folder == nullptr || name == nullptr) return false;
    // GetTempFileNameA writes up to MAX_PATH characters: never into a
    // smaller caller's buffer directly.
    char created[MAX_PATH];
    if (GetTempFileNameA(folder, prefix ? prefix : "", 0, created) == 0) return false;
    const std::size_t length = std::strlen(created);
    if (length >= capacity) {
        DeleteFileA(created);
        return false;
    }
    std::memcpy(name, created, length + 1);
    return true;
}

bool Win32Platform::WriteProfileString(const char* section, const char* key, const char* value,
                                       const char* file) {
    return WritePrivateProfileStringA(section, key, value, file);
}

bool Win32Platform::CreateNewFile(const char* path) {
    if (IsEmpty(path)) return false;
    HANDLE file =
        CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

// A lead byte and its trail byte stay together; a lead byte whose trail
// byte lies beyond length is left out.
std::size_t Win32Platform::CharacterBoundaryAtOrBefore(const char* text, std::size_t length) {
    std::size_t at = 0;
    while (at < length) {
        const std::size_t step = IsDBCSLeadByteEx(CP_ACP, static_cast<BYTE>(text[at])) ? 2 : 1;
        if (at + step > length) break;
        at += step;
    }
    return at;
}

bool Win32Platform::GetUserName(char* buffer, uint32_t* size) {
    if (size == nullptr) return false;
    DWORD length = buffer == nullptr ? 0 : *size;
    const BOOL found = GetUserNameA(buffer, &length);
    *size = length;
    return found;
}

uint32_t Win32Platform::GetSystemDirectory(char* buffer, uint32_t capacity) {
    return GetSystemDirectoryA(buffer, Capacity(buffer, capacity));
}

bool Win32Platform::ReadFileVersion(const char* path, uint16_t parts[4]) {
    return ReadFileVersionParts(path, parts);
}

LocalTime Win32Platform::GetLocalTime() {
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    LocalTime time;
    time.year = now.wYear;
    time.month = now.wMonth;
    time.day = now.wDay;
    time.hour = now.wHour;
    time.minute = now.wMinute;
    time.second = now.wSecond;
    time.milliseconds = now.wMilliseconds;
    return time;
}

void Win32Platform::StartProgram(const char* program, const char* parameter, bool wait) {
    if (IsEmpty(program)) return;
    SpawnProgram(program, parameter ? parameter : "", wait);
}

void Win32Platform::ShellOpen(const char* file) {
    if (file == nullptr) return;
    ShellExecuteA(GetDesktopWindow(), "open", file, "", "", SW_SHOW);
}

std::FILE* Win32Platform::OpenLogFile(const char* path) {
    if (IsEmpty(path)) return nullptr;
    return std::fopen(path, "w");
}

void* Win32Platform::AllocateZeroed(std::size_t bytes) {
    // A unique block for 0 bytes too, so that null always means out of memory.
    return GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, bytes ? bytes : 1);
}

void Win32Platform::Free(void* block) {
    if (block) GlobalFree(block);
}

std::unique_ptr<AutomationObject> Win32Platform::CreateAutomationObject(const char* progId) {
    return CreateComAutomationObject(progId);
}

void Win32Platform::MoveWindowTo(void* window, int left, int top) {
    HWND handle = static_cast<HWND>(window);
    RECT frame;
    if (handle == nullptr || !GetWindowRect(handle, &frame)) return;
    MoveWindow(handle, left, top, frame.right - frame.left, frame.bottom - frame.top, TRUE);
}

void Win32Platform::EndDialog(void* window, intptr_t result) {
    if (window) ::EndDialog(static_cast<HWND>(window), result);
}

namespace {

uint64_t Join(DWORD high, DWORD low) {
    return static_cast<uint64_t>(high) << 32 | low;
}

}  // namespace

bool Win32Platform::GetFileIdentity(const char* path, FileIdentity* identity) {
    if (IsEmpty(path) || identity == nullptr) return false;
    *identity = FileIdentity();
    // No access rights asked: reading the attributes needs none, and the
    // file stays open to writers and to deletion meanwhile.
    HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        BY_HANDLE_FILE_INFORMATION information;
        const BOOL known = GetFileInformationByHandle(file, &information);
        CloseHandle(file);
        if (known) {
            identity->volume = information.dwVolumeSerialNumber;
            identity->index = Join(information.nFileIndexHigh, information.nFileIndexLow);
            identity->size = Join(information.nFileSizeHigh, information.nFileSizeLow);
            identity->modified =
                static_cast<int64_t>(Join(information.ftLastWriteTime.dwHighDateTime,
                                          information.ftLastWriteTime.dwLowDateTime));
            return true;
        }
    }
    WIN32_FILE_ATTRIBUTE_DATA attributes;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &attributes)) return false;
    identity->size = Join(attributes.nFileSizeHigh, attributes.nFileSizeLow);
    identity->modified = static_cast<int64_t>(
        Join(attributes.ftLastWriteTime.dwHighDateTime, attributes.ftLastWriteTime.dwLowDateTime));
    return true;
}

}  // namespace aro::win32

namespace aro {

Platform& BuiltInPlatform() {
    static win32::Win32Platform platform;
    return platform;
}

}  // namespace aro
