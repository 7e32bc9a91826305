#include "exits/CommandHooks.h"

#include <cstring>

#include "base/FixedText.h"
#include "config/DiagnosticLog.h"
#include "config/SettingsStore.h"
#include "platform/Platform.h"

namespace aro {

void RunCommandHook(const char* command, const char* parameter, bool wait) {
    if (std::strlen(command) >= 2) {
        ARO_LOG(TextValue("Exec: ") + command + " " + parameter + "\n");
        GetPlatform().StartProgram(command, parameter, wait);
    }
    if (std::strlen(command) < 2 && parameter[0]) {
        ARO_LOG(TextValue("ShellExecute, open: ") + parameter + "\n");
        GetPlatform().ShellOpen(parameter);
    }
}

void RunBeforeHook() {
    char parameter[kPathSize];
    char command[kPathSize];
    ReadUserSetting("ShellExecuteBeforeParam", parameter);
    ReadUserSetting("ShellExecuteBefore", command);
    RunCommandHook(command, parameter, true);
}

void RunCheckinHook() {
    char command[kPathSize];
    char parameter[kPathSize];
    ReadUserSetting("ShellExecuteBeforeCheckin", command);
    ReadUserSetting("ShellExecuteBeforeCheckinParam", parameter);
    RunCommandHook(command, parameter, false);
}

void RunAfterHook() {
    char command[kPathSize];
    char parameter[kPathSize];
    ReadUserSetting("ShellExecuteAfter", command);
    ReadUserSetting("ShellExecuteAfterParam", parameter);
    RunCommandHook(command, parameter, false);
}

}  // namespace aro
