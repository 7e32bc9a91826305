#include "printer-app/SettingsForm.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <optional>

namespace aro::printerapp {

namespace {

// What a field asks of its value.
enum class Target { Keep, Store, Remove };

struct Wanted {
    Target target = Target::Keep;
    std::string text;
    std::string error;  // set when the submitted text cannot be used
};

Wanted Error(const SettingField& field, const std::string& why) {
    Wanted wanted;
    wanted.error = std::string(field.label) + ": " + why;
    return wanted;
}

Wanted Store(std::string text) {
    Wanted wanted;
    wanted.target = Target::Store;
    wanted.text = std::move(text);
    return wanted;
}

Wanted Remove() {
    Wanted wanted;
    wanted.target = Target::Remove;
    return wanted;
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

bool HasControlCharacter(const std::string& text) {
    for (unsigned char c : text) {
        if (c < 32 || c == 127) return true;
    }
    return false;
}

// The checks every text value shares: one line, and short enough for the
// module's buffer (which also keeps its terminator).
std::string TextProblem(const SettingField& field, const std::string& text) {
    if (HasControlCharacter(text)) return "holds a line break, tab or other control character";
    if (text.size() + 1 > field.capacity) {
        return "is " + std::to_string(text.size()) + " bytes long; the module reads at most " +
               std::to_string(field.capacity - 1);
    }
    return {};
}

bool StartsWith(const std::string& text, const char* prefix) {
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

Wanted OutputFolder(const SettingField& field, const std::string& text,
                    const MachineSettings& current) {
    if (text.empty()) return Remove();
    if (std::string problem = TextProblem(field, text); !problem.empty()) {
        return Error(field, problem);
    }
    // The archive clients' options may start with a placeholder the module
    // expands; the folder an AlternateKey names is used as it is.
    const bool placeholders = !current.outputFolderByAlternateKey;
    if (placeholders && (StartsWith(text, "%USERTEMP%") || StartsWith(text, "%APPDATA%"))) {
        return Store(text);
    }
    if (text[0] != '/') {
        return Error(field, Quoted(text) +
                                " is a relative path; give the full path, starting "
                                "with /" +
                                (placeholders ? std::string(" (or with %USERTEMP% or %APPDATA%)")
                                              : std::string()));
    }
    if (text == "/" || text == "//") {
        return Error(field, "the root folder cannot take the output; name a folder below it");
    }
    return Store(text);
}

bool IsNamingRule(const std::string& text) {
    return text.size() == 1 && text[0] >= '1' && text[0] <= '5';
}

Wanted NamingRule(const SettingField& field, const std::string& text) {
    if (text.empty()) return Remove();
    if (!IsNamingRule(text)) return Error(field, Quoted(text) + " is not one of the rules 1 to 5");
    return Store(text);
}

// The naming rule the form leaves in force: the submitted one when it is
// valid, else the stored one.
std::string RuleInForce(const FormFields& form, const MachineSettings& current) {
    const auto submitted = form.find("naming_rule");
    if (submitted != form.end() && (submitted->second.empty() || IsNamingRule(submitted->second))) {
        return submitted->second;
    }
    return current.Value("naming_rule").text;
}

Wanted SpecialName(const SettingField& field, const std::string& text, const FormFields& form,
                   const MachineSettings& current) {
    if (text.empty()) {
        const std::string rule = RuleInForce(form, current);
        if (rule == "4" || rule == "5") {
            return Error(field, "naming rule " + rule + " needs a special name");
        }
        return Remove();
    }
    if (std::string problem = TextProblem(field, text); !problem.empty()) {
        return Error(field, problem);
    }
    if (text.find_first_of("\"*/:<>?\\|") != std::string::npos) {
        return Error(field, Quoted(text) +
                                " holds a character a file name cannot have: \" * / : < > ? \\ |");
    }
    return Store(text);
}

Wanted PageLimit(const SettingField& field, const std::string& text) {
    if (text.empty() || text == "-1") return text.empty() ? Remove() : Store(text);
    const char* howTo = "; give a number of pages from 1, or -1 or nothing for no limit";
    if (text.find_first_not_of("0123456789") != std::string::npos) {
        return Error(field, Quoted(text) + " is not a whole number" + howTo);
    }
    if (text.size() > 10 || std::stoll(text) > INT32_MAX) {
        return Error(field, Quoted(text) + " is more than 2147483647 pages" + howTo);
    }
    if (std::stoll(text) == 0)
        return Error(field, "0 would keep every page out" + std::string(howTo));
    return Store(text);
}

Wanted BackgroundFile(const SettingField& field, const std::string& text,
                      const BackgroundCheck& check) {
    if (text.empty()) return Remove();
    if (std::string problem = TextProblem(field, text); !problem.empty()) {
        return Error(field, problem);
    }
    if (text[0] != '/') {
        return Error(field, Quoted(text) + " is a relative path; give the full path of the file");
    }
    if (std::string problem = check(text); !problem.empty()) return Error(field, problem);
    return Store(text);
}

// A switch offered as "1" (on) and "0" (off). Off is stored as "0" only
// where a value must say so: an absent value already means off, except for
// a switch that is on when absent.
Wanted Switch(const SettingField& field, const std::string& text, const CurrentValue& value) {
    const bool onWhenAbsent = field.kind == SettingKind::MultiPage;
    const bool isOn = value.present ? value.text == "1" : onWhenAbsent;
    if (text != "1" && text != "0") return Error(field, Quoted(text) + " is not a choice offered");
    const bool wantOn = text == "1";
    if (wantOn == isOn) return {};
    return Store(wantOn ? "1" : "0");
}

Wanted WantedValue(const SettingField& field, const std::string& text, const FormFields& form,
                   const MachineSettings& current, const BackgroundCheck& check) {
    switch (field.kind) {
        case SettingKind::OutputFolder:
            return OutputFolder(field, text, current);
        case SettingKind::NamingRule:
            return NamingRule(field, text);
        case SettingKind::SpecialName:
            return SpecialName(field, text, form, current);
        case SettingKind::MultiPage:
        case SettingKind::Switch:
            return Switch(field, text, current.Value(field.formName));
        case SettingKind::PageLimit:
            return PageLimit(field, text);
        case SettingKind::BackgroundFile:
            return BackgroundFile(field, text, check);
        case SettingKind::Hook:
            break;
    }
    return {};
}

std::optional<HiveEdit> EditFor(const SettingField& field, const Wanted& wanted,
                                const MachineSettings& current) {
    const CurrentValue& value = current.Value(field.formName);
    const std::string key =
        field.kind == SettingKind::OutputFolder ? current.outputFolderKey : kSettingsKey;
    switch (wanted.target) {
        case Target::Keep:
            return std::nullopt;
        case Target::Store:
            if (value.present && value.text == wanted.text) return std::nullopt;
            return HiveEdit{key, field.valueName, wanted.text};
        case Target::Remove:
            if (!value.stored) return std::nullopt;
            return HiveEdit{key, field.valueName, std::nullopt};
    }
    return std::nullopt;
}

}  // namespace

std::string CheckBackgroundFile(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) return path + " does not exist";
        return path + " cannot be reached: " + std::strerror(errno);
    }
    if (!S_ISREG(info.st_mode)) return path + " is not a file";
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return path + " cannot be read: " + std::strerror(errno);
    unsigned char start[4] = {};
    const ssize_t count = read(fd, start, sizeof start);
    close(fd);
    // Classic and big TIFF, either byte order.
    const bool little =
        start[0] == 'I' && start[1] == 'I' && start[3] == 0 && (start[2] == 42 || start[2] == 43);
    const bool big =
        start[0] == 'M' && start[1] == 'M' && start[2] == 0 && (start[3] == 42 || start[3] == 43);
    if (count != 4 || !(little || big)) return path + " is not a TIFF file";
    return {};
}

FormOutcome ReadSubmittedSettings(const FormFields& form, const MachineSettings& current,
                                  const BackgroundCheck& checkBackground) {
    FormOutcome outcome;
    for (const SettingField& field : SettingFields()) {
        const auto submitted = form.find(field.formName);
        if (submitted == form.end() || field.kind == SettingKind::Hook) continue;
        const Wanted wanted = WantedValue(field, submitted->second, form, current, checkBackground);
        if (!wanted.error.empty()) {
            outcome.errors.push_back({field.formName, wanted.error});
            continue;
        }
        if (auto edit = EditFor(field, wanted, current)) outcome.edits.push_back(std::move(*edit));
    }
    if (!outcome.errors.empty()) outcome.edits.clear();
    return outcome;
}

}  // namespace aro::printerapp
