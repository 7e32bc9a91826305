#include "config/SettingsStore.h"

namespace aro {

bool ReadSetting(Hive hive, const char* keyPath, const char* valueName, char* buffer,
                 uint32_t capacity) {
    if (!buffer || capacity == 0) return false;
    buffer[0] = '\0';
    uint32_t size = capacity;
    auto* data = reinterpret_cast<unsigned char*>(buffer);
    if (!GetPlatform().QueryValue(hive, keyPath, valueName, data, &size)) {
        buffer[0] = '\0';
        return false;
    }
    // Data without a terminator of its own must still leave a terminated text,
    // never bytes past the data; when there is no room for one it does not fit.
    if (size < capacity) {
        buffer[size] = '\0';
    } else if (buffer[capacity - 1] != '\0') {
        buffer[0] = '\0';
        return false;
    }
    if (size <= 1) {
        buffer[0] = '\0';
        return false;
    }
    return true;
}

bool ReadSettingUserThenMachine(const char* keyPath, const char* valueName, char* buffer,
                                uint32_t capacity) {
    return ReadSetting(Hive::CurrentUser, keyPath, valueName, buffer, capacity) ||
           ReadSetting(Hive::LocalMachine, keyPath, valueName, buffer, capacity);
}

bool WriteSetting(Hive hive, const char* keyPath, const char* valueName, const char* text) {
    return GetPlatform().SetStringValue(hive, keyPath, valueName, text ? text : "");
}

}  // namespace aro
