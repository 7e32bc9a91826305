// The diagnostic log: plain lines in "AroPrinter.log" in the user's
// temporary directory, written only while the Debug setting is "1".
//
// The wording of every line is fixed: support staff read these logs, and
// scripts in the field search them for exact lines. Never change the text
// of a line or the order in which a routine writes its lines; a new line
// may be added where nothing matched before.
#pragma once

#include <cstdio>

#include "base/TextValue.h"

namespace aro {

// The log's state, for the whole load of the module.
struct DiagnosticLogState {
    bool on = false;            // g_bDebug: Debug is "1" for this document
    std::FILE* file = nullptr;  // g_pLogFile: the open log, null while closed
};
extern DiagnosticLogState g_log;

inline bool LogIsOn() {
    return g_log.on && g_log.file != nullptr;
}

void LogWrite(const char* line);
inline void LogWrite(const TextValue& line) {
    LogWrite(line.c_str());
}

// Document setup: read Debug and, when it is "1", announce and open the log.
void StartDiagnosticLog();
// Document end: the last line, then close. Nothing is written until the next
// start opens the log again.
void EndDiagnosticLog();

}  // namespace aro

// Writes a line only while the log is on; the line is not even composed otherwise.
#define ARO_LOG(line)                                \
    do {                                             \
        if (::aro::LogIsOn()) ::aro::LogWrite(line); \
    } while (0)

namespace aro {

// "<label><number>\n" while the log is on.
inline void LogNumber(const char* label, int32_t number) {
    ARO_LOG(TextValue(label) + TextValue(number) + "\n");
}
// "<label><text>\n" while the log is on.
inline void LogText(const char* label, const char* text) {
    ARO_LOG(TextValue(label) + text + "\n");
}

}  // namespace aro
