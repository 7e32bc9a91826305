// Shared helpers for the unit tests of the core.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "config/SettingsStore.h"
#include "fake/FakePlatform.h"
#include "platform/PathRules.h"

namespace aro::test {

// Sets a string value under the module's main key in the user's hive.
inline void SetUser(FakePlatform& fake, const char* name, const std::string& text) {
    fake.SetString(Hive::CurrentUser, kMainKey, name, text);
}
inline void SetMachine(FakePlatform& fake, const char* name, const std::string& text) {
    fake.SetString(Hive::LocalMachine, kMainKey, name, text);
}

// A path written with "/" in the platform's own separator.
inline std::string Native(std::string path) {
    std::replace(path.begin(), path.end(), '/', kPathSeparator);
    return path;
}

// Turns the diagnostic log on, as the document setup would.
void OpenLogForTest(FakePlatform& fake);

// The log's lines (without their "\n").
std::vector<std::string> LogLines(FakePlatform& fake);

// A private folder that is removed with everything in it at the end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

}  // namespace aro::test
