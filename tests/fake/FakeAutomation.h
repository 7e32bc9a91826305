// An automation server for unit tests: records every call and can be told
// to fail a member.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace aro::test {

struct AutomationCall {
    std::string progId;
    std::string member;
    uint16_t kind;
    std::vector<AutomationValue> arguments;
    // String arguments that named an existing file at the time of the call.
    std::vector<std::string> existingFiles;
};

struct FakeAutomationServer {
    std::vector<AutomationCall> calls;
    std::set<std::string> known = {"DoCheckInOut2",          "EndOleServer",
                                   "getArchiveName",         "loginWithDialog",
                                   "setShowIndexDialog",     "addDocumentFileToArchive",
                                   "addDocumentFileToIntray"};
    std::set<std::string> raiseServerException;
    std::set<std::string> raiseAutomationError;
    std::string archiveName = "Main archive";
    int released = 0;
    std::vector<std::string> members() const;
};

// Installs a factory on the fake platform that serves these ProgIDs.
class FakePlatform;
void ServeAutomation(FakePlatform& platform, FakeAutomationServer& server,
                     std::set<std::string> progIds);

}  // namespace aro::test
