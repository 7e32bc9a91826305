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
        case JobResult::NoOutputFile:
            return kExitIncomplete;
        case JobResult::Printed:
            break;
    }
    return outcome.negativeStatus && !outcome.statusesAreBackground ? kExitRefused : kExitPrinted;
}

namespace {

std::string Text(const char (&field)[ARO_PRINT_FILE_NAME_SIZE]) {
    return std::string(field, strnlen(field, sizeof field));
}

std::string StatusList(const JobOutcome& outcome) {
    std::string list;
    const uint32_t kinds = std::min<uint32_t>(outcome.statusKinds, JobOutcome::kTrackedStatuses);
    for (uint32_t i = 0; i < kinds; ++i) {
        if (i) list += ", ";
        list += std::to_string(outcome.statuses[i].status) + " x" +
                std::to_string(outcome.statuses[i].count);
    }
    if (outcome.untrackedStatuses) list += ", others x" + std::to_string(outcome.untrackedStatuses);
    return list;
}

std::string PagesNotWritten(const JobOutcome& outcome) {
    if (!outcome.pagesChecked || outcome.pagesWritten >= outcome.pages) return "";
    std::string pages = outcome.pagesWritten + 1 == outcome.pages
                            ? "page " + std::to_string(outcome.pages)
                            : "pages " + std::to_string(outcome.pagesWritten + 1) + " to " +
                                  std::to_string(outcome.pages);
    std::string limit =
        outcome.pageLimit >= 0 && static_cast<uint32_t>(outcome.pageLimit) == outcome.pagesWritten
            ? "page limit " + std::to_string(outcome.pageLimit) + ": "
            : "";
    return ", " + limit + pages + " not written";
}

std::string FilesWritten(const JobOutcome& outcome) {
    switch (outcome.tiffFiles) {
        case 0:
            return "";
        case 1:
            return ", file: " + Text(outcome.firstTiff);
        case 2:
            return ", files: " + Text(outcome.firstTiff) + ", " + Text(outcome.lastTiff);
    }
    return ", " + std::to_string(outcome.tiffFiles) + " files: " + Text(outcome.firstTiff) +
           " ... " + Text(outcome.lastTiff);
}

}  // namespace

std::string FormatSummary(const std::string& input, const JobOutcome& outcome) {
    std::string line = input + ": " + std::to_string(outcome.pages) + " page(s), " +
                       std::to_string(outcome.bands) + " band(s), statuses: ";
    std::string statuses = StatusList(outcome);
    if (statuses.empty())
        line += "none";
    else if (outcome.statusesAreBackground)
        line += "none, background not used: " + statuses;
    else
        line += statuses;
    line += PagesNotWritten(outcome) + FilesWritten(outcome);
    std::string textFile = Text(outcome.textFile);
    if (!textFile.empty()) line += ", text file: " + textFile;
    if (outcome.result == JobResult::Incomplete) line += ", not completed";
    return line;
}

}  // namespace aro::host
