// Starting the command hooks' programs.
#pragma once

#include <string>

namespace aro::win32 {

// One argument as the C runtime's command-line parser reads it back: as it
// is when it holds no blank, tab or quote, else in quotes with backslashes
// doubled where they precede a quote.
std::string QuoteArgument(const std::string& argument);

// _spawnvp (PATH search) with the argument vector (parameter, parameter);
// P_WAIT when wait is set, else P_NOWAIT. The runtime joins the vector into
// one command line, so each argument is quoted to reach the program as it
// is. A program that cannot be started is skipped.
void SpawnProgram(const char* program, const std::string& parameter, bool wait);

}  // namespace aro::win32
