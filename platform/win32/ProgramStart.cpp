#include "platform/win32/ProgramStart.h"

#include <process.h>

#include "platform/win32/WindowsApi.h"

namespace aro::win32 {

std::string QuoteArgument(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos)
        return argument;
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (const char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        // Backslashes count double before a quote, which is escaped itself.
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    // ... and before the closing quote.
    quoted.append(backslashes * 2, '\\');
    quoted += '"';
    return quoted;
}

void SpawnProgram(const char* program, const std::string& parameter, bool wait) {
    const std::string argument = QuoteArgument(parameter);
    const char* const argv[] = {argument.c_str(), argument.c_str(), nullptr};
    const intptr_t started = _spawnvp(wait ? _P_WAIT : _P_NOWAIT, program, argv);
    // Without waiting, the runtime hands back the process handle: close it,
    // or every hook would leak one into the host.
    if (!wait && started != -1) CloseHandle(reinterpret_cast<HANDLE>(started));
}

}  // namespace aro::win32
