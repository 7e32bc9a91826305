#include "platform/win32/MessageBox.h"

#include <cstdio>
#include <string>

#include "platform/win32/WindowsApi.h"

namespace aro::win32 {

namespace {

std::string MessageLogPath() {
    char path[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA(kMessageLogVariable, path, sizeof path);
    if (length == 0 || length >= sizeof path) return {};
    return path;
}

void AppendRecord(const std::string& logPath, const char* text, const char* caption,
                  unsigned flags) {
    std::FILE* log = std::fopen(logPath.c_str(), "ab");
    if (log == nullptr) return;
    std::fprintf(log, "%08X %s: %s\n", flags, caption ? caption : "", text ? text : "");
    std::fclose(log);
}

}  // namespace

void ShowMessageBox(const char* text, const char* caption, unsigned flags) {
    const std::string logPath = MessageLogPath();
    if (!logPath.empty()) {
        AppendRecord(logPath, text, caption, flags);
        return;
    }
    MessageBoxA(nullptr, text, caption, flags);
}

}  // namespace aro::win32
