#include "platform/posix/EnvironmentExpansion.h"

#include <cstdlib>
#include <optional>

#include "platform/posix/UserAccount.h"

namespace aro::posix {

namespace {

// Set and not empty: an empty value would turn a per-user path into one at
// the root of the file system.
std::optional<std::string> NonEmptyVariable(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] == '\0') return std::nullopt;
    return std::string(value);
}

std::optional<std::string> HomeFolder() {
    if (auto home = NonEmptyVariable("HOME")) return home;
    return EffectiveUserHome();
}

std::optional<std::string> ValueOf(const std::string& name) {
    if (name.empty()) return std::nullopt;
    if (name == "APPDATA") {
        std::string folder = ApplicationDataFolder();
        if (folder.empty()) return std::nullopt;
        return folder;
    }
    const char* value = std::getenv(name.c_str());
    if (value == nullptr) return std::nullopt;
    return std::string(value);
}

}  // namespace

std::string ApplicationDataFolder() {
    if (auto folder = NonEmptyVariable("APPDATA")) return *folder;
    if (auto folder = NonEmptyVariable("XDG_DATA_HOME")) return *folder;
    if (auto home = HomeFolder()) return *home + "/.local/share";
    return {};
}

std::string ExpandEnvironmentText(const std::string& source) {
    std::string expanded;
    std::size_t position = 0;
    while (position < source.size()) {
        const std::size_t open = source.find('%', position);
        const std::size_t close =
            open == std::string::npos ? std::string::npos : source.find('%', open + 1);
        if (close == std::string::npos) {
            expanded.append(source, position, std::string::npos);
            break;
        }
        expanded.append(source, position, open - position);
        const std::string name = source.substr(open + 1, close - open - 1);
        if (auto value = ValueOf(name)) {
            expanded += *value;
        } else {
            expanded.append(source, open, close - open + 1);
        }
        position = close + 1;
    }
    return expanded;
}

}  // namespace aro::posix
