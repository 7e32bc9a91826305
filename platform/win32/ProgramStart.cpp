#include "platform/win32/ProgramStart.h"

#include <process.h>

#include "platform/win32/WindowsApi.h"

namespace aro::win32 {

void SpawnProgram(const char* program, const std::string& parameter, bool wait) {
    const char* const argv[] = {parameter.c_str(), parameter.c_str(), nullptr};
    const intptr_t started = _spawnvp(wait ? _P_WAIT : _P_NOWAIT, program, argv);
    // Without waiting, the runtime hands back the process handle: close it,
    // or every hook would leak one into the host.
    if (!wait && started != -1) CloseHandle(reinterpret_cast<HANDLE>(started));
}

}  // namespace aro::win32
