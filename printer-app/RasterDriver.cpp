#include "RasterDriver.h"

#include <memory>
#include <string>
#include <vector>

#include "AroPrintProgram.h"
#include "JobAccount.h"
#include "JobChild.h"
#include "JobMonitor.h"
#include "JobRuns.h"
#include "JobSettings.h"
#include "RasterToPnm.h"

namespace aro::printerapp {

namespace {

// One raster job: its aro-print child starts with the first page, whose
// resolution it is told.
struct RasterJob {
    explicit RasterJob(pappl_job_t* job) : monitor(job, false) {}

    JobMonitor monitor;
    JobChild child;
    bool started = false;
    bool failed = false;
    std::string failure;  // the job's reason when failed here, not by aro-print
    pappl_jreason_t reason = PAPPL_JREASON_NONE;
    unsigned page = 0;
    PnmLayout layout;
    unsigned lines = 0;  // lines of the current page written
    std::vector<unsigned char> buffer;
};

RasterJob* Of(pappl_job_t* job) {
    return static_cast<RasterJob*>(papplJobGetData(job));
}

bool FailHere(RasterJob& raster, const std::string& text, pappl_jreason_t reason) {
    raster.failed = true;
    if (raster.failure.empty()) raster.failure = text, raster.reason = reason;
    return false;
}

// aro-print took no more input: it ended (its own report says why) or the
// job was cancelled.
bool ChildGone(RasterJob& raster) {
    raster.failed = true;
    return false;
}

bool StartChild(RasterJob& raster, pappl_job_t* job) {
    JobSettings settings = SettingsOfJob(job);
    settings.dpi = static_cast<int>(raster.layout.dpi);
    ChildProgram program{AroPrintProgram(), AroPrintArguments(settings, "-"), true, ""};
    std::string error;
    if (!raster.child.Start(program, AccountForJob(papplJobGetUsername(job)), &error))
        return FailHere(raster, error, PAPPL_JREASON_ERRORS_DETECTED);
    raster.started = true;
    return true;
}

bool Write(RasterJob& raster, const void* data, size_t size) {
    return raster.child.Write(data, size, raster.monitor) || ChildGone(raster);
}

std::string PageText(unsigned page) {
    return "Page " + std::to_string(page) + ": ";
}

// The job's end: the child's outcome, or why the job failed.
bool ConcludeRasterJob(pappl_job_t* job, RasterJob* raster) {
    JobMonitor& monitor = raster->monitor;
    if (CancelledByUser(job)) {
        monitor.Conclude(raster->child.Stop());
        return true;
    }
    // PAPPL marks a stream it found malformed aborted before this call (as
    // it does when a callback here failed the job).
    const bool streamBroken = papplJobGetState(job) == IPP_JSTATE_ABORTED && !raster->failed;
    // The pages before a failure are finished either way; the failure
    // found here is the job's reason, not what aro-print says of it.
    const int status = raster->started ? raster->child.Finish(monitor) : 0;
    if (!raster->failure.empty()) return monitor.Fail(raster->failure, raster->reason);
    if (streamBroken)
        return monitor.Fail("The raster data is malformed; " +
                                std::to_string(monitor.report().pagesDone()) +
                                " page(s) before it printed",
                            PAPPL_JREASON_DOCUMENT_FORMAT_ERROR);
    if (!raster->started)
        return monitor.Fail("The document has no page", PAPPL_JREASON_DOCUMENT_FORMAT_ERROR);
    return monitor.Conclude(status);
}

}  // namespace

bool StartRasterJob(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device) {
    (void)options, (void)device;
    // A second run of the same job would replace the first one's data: it
    // prints nothing and ends as the first did.
    bool firstResult = false;
    if (!ServerJobRuns().Claim(papplJobGetID(job), &firstResult)) return false;
    papplJobSetData(job, new RasterJob(job));
    return true;
}

bool StartRasterPage(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device,
                     unsigned page) {
    (void)device;
    RasterJob* raster = Of(job);
    if (!raster || raster->failed) return false;
    raster->page = page;
    raster->lines = 0;
    std::string why;
    if (!LayoutForPage(options->header, &raster->layout, &why))
        return FailHere(*raster, PageText(page) + why, PAPPL_JREASON_DOCUMENT_UNPRINTABLE_ERROR);
    if (!raster->started && !StartChild(*raster, job)) return false;
    const std::string header = PnmHeader(raster->layout);
    return Write(*raster, header.data(), header.size());
}

bool WriteRasterLine(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device,
                     unsigned y, const unsigned char* line) {
    (void)options, (void)device, (void)y;
    RasterJob* raster = Of(job);
    // PAPPL ignores this answer; a failed page is told at its end.
    if (!raster || raster->failed || raster->lines >= raster->layout.height) return false;
    const unsigned char* pnm = PnmLine(raster->layout, line, raster->buffer);
    if (!Write(*raster, pnm, PnmLineBytes(raster->layout))) return false;
    ++raster->lines;
    return true;
}

bool EndRasterPage(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device,
                   unsigned page) {
    (void)options, (void)device;
    RasterJob* raster = Of(job);
    if (!raster || raster->failed) return false;
    // PAPPL 1.3.1 ends a page whose raster data stopped early as if it were
    // whole; only the lines that arrived tell.
    if (raster->lines < raster->layout.height && !CancelledByUser(job))
        return FailHere(*raster,
                        PageText(page) + "the raster data ended after " +
                            std::to_string(raster->lines) + " of " +
                            std::to_string(raster->layout.height) + " lines",
                        PAPPL_JREASON_DOCUMENT_FORMAT_ERROR);
    raster->child.ReadAvailable(raster->monitor);
    return true;
}

bool EndRasterJob(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device) {
    (void)options, (void)device;
    std::unique_ptr<RasterJob> raster(Of(job));
    papplJobSetData(job, nullptr);
    if (!raster) return false;
    const bool printed = ConcludeRasterJob(job, raster.get());
    ServerJobRuns().Finish(papplJobGetID(job), printed);
    return printed;
}

}  // namespace aro::printerapp
