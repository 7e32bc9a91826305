// What the test automation server writes down and how it is told to fail.
#pragma once

#include <string>

namespace aro::wtest {

// Appends one line to the record file, if one is named.
void AppendServerRecord(const std::string& line);

// Whether the member is listed in the comma-separated environment variable.
bool MemberListedIn(const char* variable, const std::string& member);

bool EnvironmentFlagSet(const char* variable);

}  // namespace aro::wtest
