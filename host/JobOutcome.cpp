#include "JobOutcome.h"

#include <algorithm>
#include <cstring>

namespace aro::host {

void JobOutcome::CountStatus(int status) {
    if (status < 0) negativeStatus = true;
    if (status == 0) return;
    for (uint32_t i = 0; i < statusKinds; ++i)
        if (statuses[i].status == status) {
            ++statuses[i].count;
            return;
        }
    if (statusKinds < kTrackedStatuses)
        statuses[statusKinds++] = {status, 1};
    else
        ++untrackedStatuses;
}

int ExitCodeOf(const JobOutcome& outcome) {
    switch (outcome.result) {
        case JobResult::InputRejected:
            return kExitUsage;
        case JobResult::ModuleUnavailable:
        case JobResult::Incomplete:
        case JobResult::Crashed:
            return 3;
        case JobResult::Printed:
            break;
    }
    return outcome.negativeStatus ? 1 : 0;
}

std::string FormatSummary(const std::string& input, const JobOutcome& outcome) {
    std::string line = input + ": " + std::to_string(outcome.pages) + " page(s), " +
                       std::to_string(outcome.bands) + " band(s), statuses: ";
    const uint32_t kinds = std::min<uint32_t>(outcome.statusKinds, JobOutcome::kTrackedStatuses);
    if (kinds == 0 && outcome.untrackedStatuses == 0) line += "none";
    for (uint32_t i = 0; i < kinds; ++i) {
        if (i) line += ", ";
        line += std::to_string(outcome.statuses[i].status) + " x" +
                std::to_string(outcome.statuses[i].count);
    }
    if (outcome.untrackedStatuses) line += ", others x" + std::to_string(outcome.untrackedStatuses);
    std::string textFile(outcome.textFile, strnlen(outcome.textFile, sizeof outcome.textFile));
    if (!textFile.empty()) line += ", text file: " + textFile;
    if (outcome.result == JobResult::Incomplete) line += ", not completed";
    return line;
}

}  // namespace aro::host
