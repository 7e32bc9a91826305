#include "config/VersionRecord.h"

#include <cstdio>

#include "base/FixedText.h"
#include "config/DiagnosticLog.h"
#include "config/SettingsStore.h"
#include "platform/PathRules.h"
#include "platform/Platform.h"

namespace aro {

namespace {
constexpr const char* kVersionsKey = "Software\\ARO Digital\\Versions";
}

bool WriteVersionNumber() {
    ARO_LOG("In function WriteVersionNumber\n");
    char systemDirectory[kPathSize] = "";
    uint32_t length = GetPlatform().GetSystemDirectory(systemDirectory, kPathSize);
    if (length == 0 || length >= kPathSize) return false;
    char modulePath[kPathSize];
    if (!JoinPath(modulePath, {systemDirectory, kPathSeparatorText, kModuleFileName})) return false;

    uint16_t parts[4];
    if (!GetPlatform().ReadFileVersion(modulePath, parts)) return false;
    char version[4 * 6 + 1];
    std::snprintf(version, sizeof version, "%d.%d.%d.%d", parts[0], parts[1], parts[2], parts[3]);

    TextValue text = TextValue(version) + " @ " + systemDirectory;
    // Best effort: a failed write changes no result. The hive may be locked
    // for too long, or in a form that cannot be written back.
    if (!WriteSetting(Hive::CurrentUser, kVersionsKey,
                      "ARO Printer DLL (AroPrinterCfg"
                      ".dll)",
                      text.c_str())) {
        ARO_LOG("Registry write skipped, the hive is locked or cannot be written\n");
    }
    ARO_LOG(TextValue("Exit function WriteVersionNumber =") + text + "\n");
    return true;
}

}  // namespace aro
