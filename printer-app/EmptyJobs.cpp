#include "EmptyJobs.h"

#include <vector>

namespace aro::printerapp {

namespace {

constexpr int kIntervalSeconds = 2;

void NoteStranded(pappl_job_t* job, void* data) {
    if (IsStrandedJob(papplJobGetState(job), papplJobGetTimeProcessed(job)))
        static_cast<std::vector<int>*>(data)->push_back(papplJobGetID(job));
}

// Jobs are ended after the iteration, which holds the printer's lock.
void EndStranded(pappl_printer_t* printer, void* data) {
    (void)data;
    std::vector<int> stranded;
    papplPrinterIterateActiveJobs(printer, NoteStranded, &stranded, 1, 0);
    for (int id : stranded) {
        pappl_job_t* job = papplPrinterFindJob(printer, id);
        if (!job) continue;
        papplJobSetMessage(job, "The job has no document");
        papplJobSetReasons(job, PAPPL_JREASON_JOB_DATA_INSUFFICIENT, PAPPL_JREASON_NONE);
        papplLogJob(job, PAPPL_LOGLEVEL_ERROR, "The job has no document.");
        papplJobCancel(job);
    }
}

bool Collect(pappl_system_t* system, void* data) {
    papplSystemIteratePrinters(system, EndStranded, data);
    return true;
}

}  // namespace

bool IsStrandedJob(ipp_jstate_t state, time_t processed) {
    return state == IPP_JSTATE_ABORTED && processed == 0;
}

void CollectEmptyJobs(pappl_system_t* system) {
    papplSystemAddTimerCallback(system, 0, kIntervalSeconds, Collect, nullptr);
}

}  // namespace aro::printerapp
