#include "RegistryAccess.h"

#include <stdexcept>
#include <vector>

namespace aro::wtest {

namespace {

HKEY CreateKey(HKEY root, const std::string& key) {
    HKEY handle = nullptr;
    if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle,
                        nullptr) != ERROR_SUCCESS)
        throw std::runtime_error("cannot create registry key " + key);
    return handle;
}

void SetValue(HKEY root, const std::string& key, const char* name, DWORD type, const void* data,
              DWORD size) {
    HKEY handle = CreateKey(root, key);
    const LONG stored = RegSetValueExA(handle, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(handle);
    if (stored != ERROR_SUCCESS) throw std::runtime_error("cannot set registry value");
}

}  // namespace

void SetRegistryString(HKEY root, const std::string& key, const char* name,
                       const std::string& value) {
    SetValue(root, key, name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

void SetRegistryDword(HKEY root, const std::string& key, const char* name, DWORD value) {
    SetValue(root, key, name, REG_DWORD, &value, sizeof value);
}

std::optional<std::string> GetRegistryString(HKEY root, const std::string& key, const char* name) {
    HKEY handle = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return std::nullopt;
    DWORD type = 0;
    DWORD size = 0;
    std::optional<std::string> value;
    if (RegQueryValueExA(handle, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        type == REG_SZ) {
        std::vector<char> data(size + 1, '\0');
        if (RegQueryValueExA(handle, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                             &size) == ERROR_SUCCESS)
            value = std::string(data.data());
    }
    RegCloseKey(handle);
    return value;
}

void DeleteRegistryTree(HKEY root, const std::string& key) {
    RegDeleteTreeA(root, key.c_str());
    RegDeleteKeyA(root, key.c_str());
}

}  // namespace aro::wtest
