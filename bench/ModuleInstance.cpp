#include "ModuleInstance.h"

#include <fstream>

#include "BandFeeder.h"

namespace aro::bench {

bool ModuleInstance::Load(const std::string& modulePath, const std::string& copyPath,
                          std::string* error) {
    {
        std::ifstream in(modulePath, std::ios::binary);
        std::ofstream out(copyPath, std::ios::binary);
        out << in.rdbuf();
        if (!in || !out) {
            *error = "cannot copy " + modulePath + " to " + copyPath;
            return false;
        }
    }
    return host::LoadExitModule(copyPath, &m_module, error);
}

void ModuleInstance::StartDocument(const char* jobName) {
    m_module.jobName(jobName);
    m_module.startDoc();
    m_inDocument = true;
}

int ModuleInstance::PrintPage(host::PrintBitmap& page, unsigned bandRows, int dpi) {
    host::JobOutcome outcome;
    host::FeedPage(m_module, page, bandRows, dpi, &outcome);
    for (uint32_t i = 0; i < outcome.statusKinds; ++i)
        if (outcome.statuses[i].status < 0) return outcome.statuses[i].status;
    return 0;
}

void ModuleInstance::EndDocument() {
    if (m_inDocument) m_module.endDoc();
    m_inDocument = false;
}

}  // namespace aro::bench
