#include "DocumentFilter.h"

#include "AroPrintProgram.h"
#include "JobAccount.h"
#include "JobChild.h"
#include "JobMonitor.h"
#include "JobRuns.h"
#include "JobSettings.h"

namespace aro::printerapp {

namespace {

bool PrintDocumentOnce(pappl_job_t* job) {
    JobMonitor monitor(job, true);
    const char* spooled = papplJobGetFilename(job);
    if (!spooled || !*spooled)
        return monitor.Fail("The job has no document", PAPPL_JREASON_JOB_DATA_INSUFFICIENT);
    // The document comes through standard input: the job's account need
    // not be able to read the spool folder.
    ChildProgram program{AroPrintProgram(), AroPrintArguments(SettingsOfJob(job), "-"), false,
                         spooled};
    JobChild child;
    std::string error;
    if (!child.Start(program, AccountForJob(papplJobGetUsername(job)), &error))
        return monitor.Fail(error, PAPPL_JREASON_ERRORS_DETECTED);
    papplLogJob(job, PAPPL_LOGLEVEL_INFO, "Printing %s with %s", spooled, program.path.c_str());
    return monitor.Conclude(child.Finish(monitor));
}

}  // namespace

bool PrintSpooledDocument(pappl_job_t* job, pappl_device_t* device, void* data) {
    (void)device, (void)data;
    const int id = papplJobGetID(job);
    bool firstResult = false;
    if (!ServerJobRuns().Claim(id, &firstResult)) return firstResult;
    const bool printed = PrintDocumentOnce(job);
    ServerJobRuns().Finish(id, printed);
    return printed;
}

void AddDocumentFilters(pappl_system_t* system) {
    // The destination is the driver's format: PAPPL looks a filter up by
    // the document's format and the driver's.
    for (const char* format : {"application/pdf", "application/postscript"})
        papplSystemAddMIMEFilter(system, format, "image/pwg-raster", PrintSpooledDocument, nullptr);
}

}  // namespace aro::printerapp
