#include "config/OutputDirectory.h"

#include <cstring>

#include "base/FixedText.h"
#include "config/DiagnosticLog.h"
#include "config/SettingsStore.h"
#include "platform/PathRules.h"
#include "platform/Platform.h"

namespace aro {

namespace {

constexpr const char* kProfessionalOptions = "SOFTWARE\\ARO Digital\\Aro32.1\\Options";
constexpr const char* kOfficeOptions = "SOFTWARE\\ARO Digital\\Aro32.2\\Options";
constexpr std::size_t kMaxTailAfterPlaceholder = 255;

using PathBuffer = char[kPathSize];

void RemoveOneTrailingSeparator(char* folder) {
    std::size_t length = std::strlen(folder);
    if (length > 0 && folder[length - 1] == kPathSeparator) folder[length - 1] = '\0';
}

// Appends at most 255 characters of tail (nothing when tail lies past the text).
void AppendTail(PathBuffer& folder, const char* text, std::size_t offset) {
    if (std::strlen(text) <= offset) return;
    char tail[kMaxTailAfterPlaceholder + 1];
    CopyText(tail, text + offset);
    AppendText(folder, tail);
}

// Rows 5 to 8: the archive clients' options, per user before machine-wide.
void ReadClientOptionsFolder(PathBuffer& folder) {
    if (ReadSetting(Hive::CurrentUser, kProfessionalOptions, "Dovurezazuv", folder)) return;
    ARO_LOG("No AROprofessional Dovurezazuv entry in CU\n");
    if (ReadSetting(Hive::CurrentUser, kOfficeOptions, "Dovurezazuv", folder)) return;
    ARO_LOG("No AROoffice Dovurezazuv entry in CU\n");
    if (ReadSetting(Hive::LocalMachine, kProfessionalOptions, "Dovurezazuv", folder)) return;
    ARO_LOG("No AROprofessional Dovurezazuv entry in LM\n");
    ReadSetting(Hive::LocalMachine, kOfficeOptions, "Dovurezazuv", folder);
}

void ExpandUserTemp(PathBuffer& folder) {
    if (std::strncmp(folder, "%USERTEMP%", 10) != 0) return;
    ARO_LOG("%USERTEMP% found\n");
    PathBuffer configured;
    CopyText(configured, folder);
    uint32_t length = GetPlatform().GetTempPath(folder, kPathSize);
    if (length == 0 || length >= kPathSize) folder[0] = '\0';
    ARO_LOG(TextValue("TempPath=") + folder + "\n");
    // Without a temporary folder the tail alone would be a path relative to
    // wherever the host runs: there is no folder then.
    if (folder[0]) AppendTail(folder, configured, configured[10] == kPathSeparator ? 11 : 10);
    ARO_LOG(TextValue("TempPath expanded=") + folder + "\n");
}

void ExpandAppData(PathBuffer& folder) {
    if (std::strncmp(folder, "%APPDATA%", 9) != 0) return;
    PathBuffer expanded = "";
    uint32_t expandedSize = GetPlatform().ExpandEnvironment("%APPDATA%", expanded, kPathSize);
    if (expandedSize == 0 || expandedSize > kPathSize) expanded[0] = '\0';
    PathBuffer longForm = "";
    uint32_t length = expanded[0] ? GetPlatform().GetLongPath(expanded, longForm, kPathSize) : 0;
    if (length == 0 || length >= kPathSize) {
        GetPlatform().ShowMessage("Error: Could not expand environment string %APPDATA%",
                                  "ARO Printer", kMessageBoxOk);
        return;
    }
    PathBuffer configured;
    CopyText(configured, folder);
    CopyText(folder, longForm);
    AppendText(folder, kPathSeparatorText);
    // The character right after the placeholder is dropped, whatever it is.
    AppendTail(folder, configured, 10);
}

// Creates the folder when there is no entry of that name yet. With no
// folder configured the tests run (and log) on the empty path and on the
// subfolder at the root, but nothing is created at the root.
void EnsureFolder(const char* path, bool subfolder, bool create) {
    if (GetPlatform().PathExists(path)) return;
    if (subfolder)
        ARO_LOG(TextValue("Create SubDir=") + path + "\n");
    else
        ARO_LOG("Create TempDir\n");
    if (create) GetPlatform().CreateFolder(path);
}

TextValue ResolveClientOptionsFolder() {
    PathBuffer folder = "";
    ReadClientOptionsFolder(folder);
    ARO_LOG(TextValue("DruckTempPath=") + folder + "\n");
    if (!folder[0]) GetPlatform().ShowMessage("No ARO print path found", "Error", kMessageBoxOk);
    ExpandUserTemp(folder);
    ExpandAppData(folder);
    RemoveOneTrailingSeparator(folder);
    // An empty folder would put the subfolder at the root of the file system.
    const bool create = folder[0] != '\0';
    EnsureFolder(folder, false, create);
    PathBuffer subfolder;
    if (JoinPath(subfolder, {folder, kPathSeparatorText, "PrintToArchive"}))
        EnsureFolder(subfolder, true, create);
    return TextValue(folder);
}

TextValue ResolveAlternateKeyFolder(const char* alternateKey) {
    PathBuffer folder;
    if (!ReadSetting(Hive::CurrentUser, alternateKey, "Dovurezazuv", folder)) {
        ARO_LOG("No AlternateKey found in CU\n");
        if (!ReadSetting(Hive::LocalMachine, alternateKey, "Dovurezazuv", folder)) {
            ARO_LOG("No AlternateKey found in LM\n");
            return TextValue();
        }
    }
    RemoveOneTrailingSeparator(folder);
    ARO_LOG(TextValue("AlternateKey found: ") + folder + "\n");
    return TextValue(folder);
}

}  // namespace

TextValue ResolveOutputFolder() {
    ARO_LOG("In function GetPrinterTempDirectory\n");
    PathBuffer alternateKey;
    if (ReadSetting(Hive::CurrentUser, kMainKeyAlt, "AlternateKey", alternateKey))
        return ResolveAlternateKeyFolder(alternateKey);
    ARO_LOG("No AlternateKey in CU\n");
    if (ReadSetting(Hive::LocalMachine, kMainKeyAlt, "AlternateKey", alternateKey))
        return ResolveAlternateKeyFolder(alternateKey);
    ARO_LOG("No AlternateKey in LM\n");
    return ResolveClientOptionsFolder();
}

}  // namespace aro
