#include "config/DiagnosticLog.h"

#include "base/FixedText.h"
#include "config/SettingsStore.h"
#include "platform/Platform.h"

namespace aro {

DiagnosticLogState g_log;

void LogWrite(const char* line) {
    if (LogIsOn()) std::fputs(line, g_log.file);
}

namespace {

void CloseLogStream() {
    if (g_log.file) std::fclose(g_log.file);
    g_log.file = nullptr;
}

}  // namespace

void StartDiagnosticLog() {
    g_log.on = false;
    // A document that never reached its end may have left its stream open.
    CloseLogStream();
    char debug[kPathSize];
    if (!ReadUserSetting("Debug", debug) || !TextEquals(debug, "1")) return;
    g_log.on = true;

    char tempPath[kPathSize] = "";
    uint32_t length = GetPlatform().GetTempPath(tempPath, kPathSize);
    if (length == 0 || length >= kPathSize) tempPath[0] = '\0';
    char logPath[kPathSize] = "";
    // A path that does not fit is not cut short: there is then no log file.
    bool fits = tempPath[0] != '\0' && JoinPath(logPath, {tempPath, "AroPrinter.log"});

    TextValue message = TextValue("ARO Printer debug mode, file name: ") + logPath;
    GetPlatform().ShowMessage(message.c_str(), "ARO Printer", kMessageBoxOk | kMessageBoxTopMost);

    g_log.file = fits ? GetPlatform().OpenLogFile(logPath) : nullptr;
    ARO_LOG("Start debug mode\n");
}

void EndDiagnosticLog() {
    ARO_LOG("End Print Job\n");
    CloseLogStream();
}

}  // namespace aro
