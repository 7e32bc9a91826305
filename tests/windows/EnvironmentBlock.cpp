#include "EnvironmentBlock.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>

namespace aro::wtest {

namespace {

struct CaseInsensitiveLess {
    bool operator()(const std::string& a, const std::string& b) const {
        return std::lexicographical_compare(
            a.begin(), a.end(), b.begin(), b.end(),
            [](unsigned char x, unsigned char y) { return std::toupper(x) < std::toupper(y); });
    }
};

using Variables = std::map<std::string, std::string, CaseInsensitiveLess>;

// Entries such as "=C:=C:\dir" carry the drive's current folder: their
// name starts after the first character.
void Put(Variables& variables, const std::string& entry) {
    const std::size_t equals = entry.find('=', 1);
    if (equals == std::string::npos) return;
    variables[entry.substr(0, equals)] = entry.substr(equals + 1);
}

}  // namespace

std::string EnvironmentWith(const std::vector<std::string>& overrides) {
    Variables variables;
    if (char* block = GetEnvironmentStringsA()) {
        for (const char* entry = block; *entry; entry += std::strlen(entry) + 1)
            Put(variables, entry);
        FreeEnvironmentStringsA(block);
    }
    for (const auto& entry : overrides) Put(variables, entry);
    std::string result;
    for (const auto& [name, value] : variables) {
        result += name + "=" + value;
        result += '\0';
    }
    result += '\0';
    return result;
}

}  // namespace aro::wtest
