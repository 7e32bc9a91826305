// Where the printer application finds aro-print: named by the server
// option aro-print=PATH, else installed beside the printer application.
#pragma once

#include <string>

namespace aro::printerapp {

// The program beside the running executable.
std::string AroPrintBesideServer();

void SetAroPrintProgram(const std::string& path);
std::string AroPrintProgram();

}  // namespace aro::printerapp
