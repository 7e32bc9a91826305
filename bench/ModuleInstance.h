// One loaded instance of the built module. The module keeps one document per
// load in process-wide state, so each configuration the bench compares is a
// private copy of the library file, loaded on its own.
#pragma once

#include <string>

#include "ExitModule.h"
#include "PrintBitmap.h"

namespace aro::bench {

class ModuleInstance {
public:
    // Copies modulePath to copyPath and loads the copy.
    bool Load(const std::string& modulePath, const std::string& copyPath, std::string* error);

    // PrintJobName and startDocExit: reads the settings of the hive in use.
    void StartDocument(const char* jobName);
    // startPageExit and one endPageExit per band, as a driver does; the
    // page is changed in place. The first negative status, else 0.
    int PrintPage(host::PrintBitmap& page, unsigned bandRows, int dpi);
    void EndDocument();

private:
    host::ExitModule m_module;
    bool m_inDocument = false;
};

}  // namespace aro::bench
