#include "exits/AccountCheck.h"

#include <cctype>
#include <cstring>

#include "config/DiagnosticLog.h"
#include "platform/Platform.h"

namespace aro {

bool CheckForUser() {
    ARO_LOG("In function CheckForUser\n");
    char name[100];
    uint32_t size = sizeof name;
    if (!GetPlatform().GetUserName(name, &size)) {
        ARO_LOG("No UserName found.\n");
        return false;
    }
    ARO_LOG(TextValue("function GetUserName ok, user = ") + name + "\n");
    ARO_LOG("Check for SYSTEM account\n");
    for (char* c = name; *c; ++c)
        *c = static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
    if (std::strstr(name, "SYSTEM")) {
        ARO_LOG("No UserName found.\n");
        return false;
    }
    ARO_LOG("User is not SYSTEM -> return true\n");
    return true;
}

}  // namespace aro
