// The settings hives in the Windows registry.
#pragma once

#include <cstdint>

#include "platform/Platform.h"

namespace aro::win32 {

// RegOpenKeyA + RegQueryValueExA. On entry *size is the capacity of data;
// false when the key or the value is missing or the data does not fit.
bool QueryRegistryValue(Hive hive, const char* keyPath, const char* valueName, unsigned char* data,
                        uint32_t* size);

// RegOpenKeyA, or RegCreateKeyA (which creates missing parents), then
// RegSetValueExA of a REG_SZ value with its terminator.
bool SetRegistryString(Hive hive, const char* keyPath, const char* valueName, const char* text);

}  // namespace aro::win32
