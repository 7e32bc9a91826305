// The machine-wide settings of the module that the "TIFF output" page shows
// and edits: which values they are, what the machine's hive file holds for
// them, and storing changes in that file. Free of PAPPL, so that it can be
// tested on its own.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace aro::printerapp {

enum class SettingKind {
    OutputFolder,    // the folder the TIFF files go to
    NamingRule,      // FileNameMode: empty or 1 to 5
    SpecialName,     // TempfileName: a file name stem
    MultiPage,       // a switch that is on when absent
    Switch,          // a switch that is off when absent
    PageLimit,       // MaxPagesCount
    BackgroundFile,  // a TIFF file laid under the pages
    Hook,            // a program run during a job: shown, never edited here
};

// One setting on the page.
struct SettingField {
    const char* formName;   // the name of its form field
    const char* label;      // as the page shows it
    const char* valueName;  // the registry value
    uint32_t capacity;      // the module's buffer for it, terminator included
    SettingKind kind;
    bool userHiveOnly;  // the module reads it from the printing user's hive only
};

// Every setting, in the order of the page.
const std::vector<SettingField>& SettingFields();
const SettingField* FindSettingField(std::string_view formName);

// The module's main key, where every setting but the output folder lives.
constexpr const char* kSettingsKey = "Software\\ARO Digital\\Dovurezazuv";

// A value as the module reads it: present only when it holds more than a
// terminator and fits the module's buffer; its text ends at the first NUL.
struct CurrentValue {
    bool stored = false;   // the file gives the value
    bool present = false;  // and the module sees it
    std::string text;      // what the module reads ("" when absent)
};

// What the machine's hive file holds for the page's settings.
struct MachineSettings {
    std::string hiveFile;
    std::string readError;  // why the file could not be read; "" when it was (or is missing)
    // The key whose "Dovurezazuv" value is the machine's output folder: the
    // key named by the machine's AlternateKey, else an archive client's
    // options key.
    std::string outputFolderKey;
    bool outputFolderByAlternateKey = false;
    std::map<std::string, CurrentValue> values;  // by form name

    const CurrentValue& Value(const std::string& formName) const;
};

// The settings in the text of a machine hive file (as read, any encoding
// the hive files come in).
MachineSettings MachineSettingsFromText(std::string_view fileText);

// The settings in the file; a missing file is an empty hive.
MachineSettings ReadMachineSettings(const std::string& hiveFile);

// One change of the file: a value stored as text, or removed (no text).
struct HiveEdit {
    std::string keyPath;
    std::string valueName;
    std::optional<std::string> text;
};

// Makes the changes in order, each one under the hive file's lock, keeping
// every line they do not touch. Stops at the first that fails and says
// which, and which were made before it; "" when all were made.
std::string ApplyHiveEdits(const std::string& hiveFile, const std::vector<HiveEdit>& edits);

}  // namespace aro::printerapp
