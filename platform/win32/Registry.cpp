#include "platform/win32/Registry.h"

#include <cstring>

#include "platform/win32/WindowsApi.h"

namespace aro::win32 {

namespace {

HKEY RootKey(Hive hive) {
    return hive == Hive::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

}  // namespace

bool QueryRegistryValue(Hive hive, const char* keyPath, const char* valueName, unsigned char* data,
                        uint32_t* size) {
    if (keyPath == nullptr || data == nullptr || size == nullptr) return false;
    HKEY key = nullptr;
    if (RegOpenKeyA(RootKey(hive), keyPath, &key) != ERROR_SUCCESS) return false;
    DWORD type = 0;
    DWORD bytes = *size;
    const LONG status = RegQueryValueExA(key, valueName, nullptr, &type, data, &bytes);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return false;
    *size = bytes;
    return true;
}

bool SetRegistryString(Hive hive, const char* keyPath, const char* valueName, const char* text) {
    if (keyPath == nullptr || text == nullptr) return false;
    HKEY key = nullptr;
    if (RegOpenKeyA(RootKey(hive), keyPath, &key) != ERROR_SUCCESS &&
        RegCreateKeyA(RootKey(hive), keyPath, &key) != ERROR_SUCCESS)
        return false;
    const auto bytes = static_cast<DWORD>(std::strlen(text) + 1);
    const LONG status =
        RegSetValueExA(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), bytes);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

}  // namespace aro::win32
