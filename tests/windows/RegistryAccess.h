// Settings for the module under test, written straight into the registry.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace aro::wtest {

void SetRegistryString(HKEY root, const std::string& key, const char* name,
                       const std::string& value);
void SetRegistryDword(HKEY root, const std::string& key, const char* name, DWORD value);
// The REG_SZ value, or nothing when the key or value is missing.
std::optional<std::string> GetRegistryString(HKEY root, const std::string& key, const char* name);
void DeleteRegistryTree(HKEY root, const std::string& key);

}  // namespace aro::wtest
