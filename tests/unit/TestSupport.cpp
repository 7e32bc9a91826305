#include "TestSupport.h"

#include <cstdlib>
#include <sstream>

#include "config/DiagnosticLog.h"
#include "job/JobContext.h"

namespace aro::test {

void OpenLogForTest(FakePlatform& fake) {
    g_log.on = true;
    g_log.file = fake.OpenLogFile("AroPrinter.log");
}

std::vector<std::string> LogLines(FakePlatform& fake) {
    std::vector<std::string> lines;
    std::stringstream text(fake.LogText());
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    return lines;
}

TempFolder::TempFolder() {
    char pattern[] = "/tmp/aro-unit-XXXXXX";
    m_path = mkdtemp(pattern);
}

TempFolder::~TempFolder() {
    std::string command = "rm -rf '" + m_path + "'";
    if (std::system(command.c_str()) != 0) {
        // Nothing sensible to do about a leftover temporary folder.
    }
}

}  // namespace aro::test
