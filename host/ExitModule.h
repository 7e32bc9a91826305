// The exit module as a driver sees it: a loaded library and its seven entry
// points, resolved by name.
#pragma once

#include <string>

#include "AroPrinterCfg.h"

namespace aro::host {

struct ExitModule {
    decltype(&::startDocExit) startDoc = nullptr;
    decltype(&::startPageExit) startPage = nullptr;
    decltype(&::endPageExit) endPage = nullptr;
    decltype(&::endDocExit) endDoc = nullptr;
    decltype(&::GetPrintFileName) printFileName = nullptr;
    decltype(&::PrintJobName) jobName = nullptr;
    decltype(&::dlgproc) dialog = nullptr;
};

// Loads the library at path and resolves every entry point. The library
// stays loaded for the rest of the process: each job runs in a process of
// its own, so the module's state never outlives its job.
bool LoadExitModule(const std::string& path, ExitModule* module, std::string* error);

}  // namespace aro::host
