#include "ServerRecord.h"

#include <windows.h>

#include <cstdio>
#include <sstream>

#include "TestArchiveServer.h"

namespace aro::wtest {

namespace {

std::string Environment(const char* variable) {
    char value[1024];
    const DWORD length = GetEnvironmentVariableA(variable, value, sizeof value);
    return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

}  // namespace

void AppendServerRecord(const std::string& line) {
    const std::string path = Environment(kServerRecordVariable);
    if (path.empty()) return;
    if (std::FILE* record = std::fopen(path.c_str(), "ab")) {
        std::fprintf(record, "%s\n", line.c_str());
        std::fclose(record);
    }
}

bool MemberListedIn(const char* variable, const std::string& member) {
    std::istringstream list(Environment(variable));
    for (std::string name; std::getline(list, name, ',');)
        if (name == member) return true;
    return false;
}

bool EnvironmentFlagSet(const char* variable) {
    return !Environment(variable).empty();
}

}  // namespace aro::wtest
