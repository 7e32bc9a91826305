// Starting the command hooks' programs.
#pragma once

#include <string>

namespace aro::win32 {

// _spawnvp (PATH search) with the argument vector (parameter, parameter);
// P_WAIT when wait is set, else P_NOWAIT. The runtime joins the vector into
// one command line without quoting, so a parameter with blanks reaches the
// program split at them, as hook programs written for this module expect;
// an administrator who wants one argument writes the quotes into the
// parameter. A program that cannot be started is skipped.
void SpawnProgram(const char* program, const std::string& parameter, bool wait);

}  // namespace aro::win32
