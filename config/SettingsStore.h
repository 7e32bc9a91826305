// The only way the module reaches its settings (the registry on Windows).
#pragma once

#include <cstdint>

#include "platform/Platform.h"

namespace aro {

// The module's main key. Some callers spell it "DovuRezazuv"; key names
// compare without regard to case, so both name one key.
constexpr const char* kMainKey = "Software\\ARO Digital\\Dovurezazuv";
constexpr const char* kMainKeyAlt = "Software\\ARO Digital\\DovuRezazuv";

// Reads a value into buffer (capacity bytes). True when the value is present:
// it fits, and holds more than a terminator alone. The buffer always ends up
// holding a terminated text, the empty text when the value is absent.
bool ReadSetting(Hive hive, const char* keyPath, const char* valueName, char* buffer,
                 uint32_t capacity);

// Reads from HKEY_CURRENT_USER, and from HKEY_LOCAL_MACHINE when absent there.
bool ReadSettingUserThenMachine(const char* keyPath, const char* valueName, char* buffer,
                                uint32_t capacity);

// Stores text as a string value, creating the key when needed.
bool WriteSetting(Hive hive, const char* keyPath, const char* valueName, const char* text);

template <std::size_t N>
bool ReadSetting(Hive hive, const char* keyPath, const char* valueName, char (&buffer)[N]) {
    return ReadSetting(hive, keyPath, valueName, buffer, static_cast<uint32_t>(N));
}
template <std::size_t N>
bool ReadUserSetting(const char* valueName, char (&buffer)[N]) {
    return ReadSetting(Hive::CurrentUser, kMainKey, valueName, buffer, static_cast<uint32_t>(N));
}
template <std::size_t N>
bool ReadUserThenMachineSetting(const char* valueName, char (&buffer)[N]) {
    return ReadSettingUserThenMachine(kMainKey, valueName, buffer, static_cast<uint32_t>(N));
}

}  // namespace aro
