#include "printer-app/MachineSettings.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/Platform.h"
#include "platform/posix/AtomicFile.h"
#include "platform/posix/RegistryHive.h"

namespace aro::printerapp {

namespace {

constexpr uint32_t kPathCapacity = 260;
constexpr uint32_t kFlagCapacity = 50;
constexpr const char* kFolderValue = "Dovurezazuv";
constexpr const char* kProfessionalOptions = "SOFTWARE\\ARO Digital\\Aro32.1\\Options";
constexpr const char* kOfficeOptions = "SOFTWARE\\ARO Digital\\Aro32.2\\Options";

CurrentValue ValueIn(std::string_view fileText, std::string_view keyPath,
                     std::string_view valueName, uint32_t capacity) {
    CurrentValue current;
    posix::HiveValue value;
    if (!posix::FindHiveValue(fileText, Hive::LocalMachine, keyPath, valueName, &value)) {
        return current;
    }
    current.stored = true;
    const std::vector<unsigned char>& data = value.data;
    // The module's rule: more than a terminator, and room for the data with
    // a terminator at the latest in the buffer's last byte.
    const bool fits = data.size() < capacity || (data.size() == capacity && data.back() == 0);
    current.present = data.size() > 1 && fits;
    if (!current.present) return current;
    const auto end = std::find(data.begin(), data.end(), 0);
    current.text.assign(data.begin(), end);
    return current;
}

// Where the module finds the machine's folder: the key named by the
// machine's AlternateKey, else the professional client's options, else the
// office client's; a folder set on a blank hive goes to the professional
// client's options.
void FindOutputFolderKey(std::string_view fileText, MachineSettings* settings) {
    const CurrentValue alternate = ValueIn(fileText, kSettingsKey, "AlternateKey", kPathCapacity);
    if (alternate.present) {
        settings->outputFolderKey = alternate.text;
        settings->outputFolderByAlternateKey = true;
        return;
    }
    const bool professional =
        ValueIn(fileText, kProfessionalOptions, kFolderValue, kPathCapacity).present;
    const bool office = ValueIn(fileText, kOfficeOptions, kFolderValue, kPathCapacity).present;
    settings->outputFolderKey = !professional && office ? kOfficeOptions : kProfessionalOptions;
}

std::string DescribeEdit(const HiveEdit& edit) {
    return std::string(edit.text ? "storing " : "removing ") + edit.valueName;
}

}  // namespace

const std::vector<SettingField>& SettingFields() {
    static const std::vector<SettingField> fields = {
        {"output_folder", "Output folder", kFolderValue, kPathCapacity, SettingKind::OutputFolder,
         false},
        {"naming_rule", "Naming rule", "FileNameMode", kPathCapacity, SettingKind::NamingRule,
         true},
        {"special_name", "Special name", "TempfileName", kPathCapacity, SettingKind::SpecialName,
         true},
        {"multi_page", "Pages of a job", "PrintMultiPageImage", kFlagCapacity,
         SettingKind::MultiPage, true},
        {"page_limit", "Page limit", "MaxPagesCount", kFlagCapacity, SettingKind::PageLimit, false},
        {"background", "Background image", "PrintBackgroundImage", kFlagCapacity,
         SettingKind::Switch, true},
        {"background_first", "Background, first page", "BackgroundImageFirstPage", kPathCapacity,
         SettingKind::BackgroundFile, true},
        {"background_next", "Background, next pages", "BackgroundImageNextPages", kPathCapacity,
         SettingKind::BackgroundFile, true},
        {"background_first_color", "Background, first colour page", "BackgroundImageFirstPageColor",
         kPathCapacity, SettingKind::BackgroundFile, true},
        {"background_next_color", "Background, next colour pages", "BackgroundImageNextPagesColor",
         kPathCapacity, SettingKind::BackgroundFile, true},
        {"grp_file", ".grp file", "PrintGrpFile", kFlagCapacity, SettingKind::Switch, false},
        {"txt_file", ".TXT file", "PrintTxtFile", kFlagCapacity, SettingKind::Switch, false},
        {"hook_before", "Program at document start", "ShellExecuteBefore", kPathCapacity,
         SettingKind::Hook, true},
        {"hook_before_param", "Its parameter", "ShellExecuteBeforeParam", kPathCapacity,
         SettingKind::Hook, true},
        {"hook_checkin", "Program before the hand-off", "ShellExecuteBeforeCheckin", kPathCapacity,
         SettingKind::Hook, true},
        {"hook_checkin_param", "Its parameter", "ShellExecuteBeforeCheckinParam", kPathCapacity,
         SettingKind::Hook, true},
        {"hook_after", "Program at the end", "ShellExecuteAfter", kPathCapacity, SettingKind::Hook,
         true},
        {"hook_after_param", "Its parameter", "ShellExecuteAfterParam", kPathCapacity,
         SettingKind::Hook, true},
    };
    return fields;
}

const SettingField* FindSettingField(std::string_view formName) {
    for (const SettingField& field : SettingFields()) {
        if (formName == field.formName) return &field;
    }
    return nullptr;
}

const CurrentValue& MachineSettings::Value(const std::string& formName) const {
    static const CurrentValue absent;
    const auto found = values.find(formName);
    return found == values.end() ? absent : found->second;
}

MachineSettings MachineSettingsFromText(std::string_view fileText) {
    MachineSettings settings;
    FindOutputFolderKey(fileText, &settings);
    for (const SettingField& field : SettingFields()) {
        const std::string key =
            field.kind == SettingKind::OutputFolder ? settings.outputFolderKey : kSettingsKey;
        settings.values[field.formName] = ValueIn(fileText, key, field.valueName, field.capacity);
    }
    return settings;
}

MachineSettings ReadMachineSettings(const std::string& hiveFile) {
    std::string text;
    std::string error;
    if (hiveFile.empty()) {
        error = "no file is named for the machine's settings (ARO_PRINTER_HKLM is empty)";
    } else {
        errno = 0;
        if (posix::ReadRegularFile(hiveFile, &text) == posix::FileReadResult::Failed) {
            const int reason = errno;
            error = hiveFile + " cannot be read";
            if (reason != 0) error += std::string(": ") + std::strerror(reason);
            text.clear();
        }
    }
    MachineSettings settings = MachineSettingsFromText(text);
    settings.hiveFile = hiveFile;
    settings.readError = error;
    return settings;
}

std::string ApplyHiveEdits(const std::string& hiveFile, const std::vector<HiveEdit>& edits) {
    std::string done;
    for (const HiveEdit& edit : edits) {
        const bool stored =
            edit.text ? posix::WriteHiveString(hiveFile, Hive::LocalMachine, edit.keyPath.c_str(),
                                               edit.valueName.c_str(), edit.text->c_str())
                      : posix::DeleteHiveValue(hiveFile, Hive::LocalMachine, edit.keyPath.c_str(),
                                               edit.valueName.c_str());
        if (!stored) {
            std::string message = hiveFile + " could not be changed (" + DescribeEdit(edit) +
                                  "): it is locked by another program, not writable, or not "
                                  "in a form that can be written back";
            if (!done.empty()) message += "; done before: " + done;
            return message;
        }
        if (!done.empty()) done += ", ";
        done += DescribeEdit(edit);
    }
    return {};
}

}  // namespace aro::printerapp
