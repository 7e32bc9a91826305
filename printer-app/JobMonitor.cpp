#include "JobMonitor.h"

#include "StatusLine.h"

namespace aro::printerapp {

void JobMonitor::StatusLine(const std::string& line) {
    std::string message = m_report.Take(line);
    papplLogJob(m_job, PAPPL_LOGLEVEL_DEBUG, "aro-print status: %s", line.c_str());
    aro::printerapp::StatusLine parsed = ParseStatusLine(line);
    if (m_countPages && parsed.kind == StatusLine::Kind::Pages)
        papplJobSetImpressions(m_job, static_cast<int>(parsed.number));
    if (m_countPages && parsed.kind == StatusLine::Kind::Page) {
        if (!m_report.totalPages()) papplJobSetImpressions(m_job, static_cast<int>(parsed.number));
        papplJobSetImpressionsCompleted(m_job, 1);
    }
    // The reason the job ends with is logged as an error at its end.
    if (parsed.kind == StatusLine::Kind::Refused || parsed.kind == StatusLine::Kind::Error)
        papplLogJob(m_job, PAPPL_LOGLEVEL_WARN, "%s", message.c_str());
    if (!message.empty()) papplJobSetMessage(m_job, "%s", message.c_str());
}

void JobMonitor::OutputLine(const std::string& line) {
    papplLogJob(m_job, PAPPL_LOGLEVEL_INFO, "aro-print: %s", line.c_str());
}

bool CancelledByUser(pappl_job_t* job) {
    return papplJobIsCanceled(job) && papplJobGetState(job) != IPP_JSTATE_ABORTED;
}

bool JobMonitor::Cancelled() {
    return CancelledByUser(m_job);
}

bool JobMonitor::Fail(const std::string& message, pappl_jreason_t reason) {
    papplLogJob(m_job, PAPPL_LOGLEVEL_ERROR, "%s", message.c_str());
    papplJobSetMessage(m_job, "%s", message.c_str());
    papplJobSetReasons(m_job, reason | PAPPL_JREASON_ABORTED_BY_SYSTEM, PAPPL_JREASON_NONE);
    return false;
}

bool JobMonitor::Conclude(int waitStatus) {
    m_report.Ended(waitStatus);
    if (Cancelled()) {
        papplJobSetMessage(m_job, "Cancelled after %ld page(s)", m_report.pagesDone());
        return true;
    }
    const std::string message = m_report.FinalMessage();
    switch (m_report.Failure()) {
        case JobFailure::None:
            papplLogJob(m_job, PAPPL_LOGLEVEL_INFO, "%s", message.c_str());
            papplJobSetMessage(m_job, "%s", message.c_str());
            return true;
        case JobFailure::Unprintable:
            return Fail(message, PAPPL_JREASON_DOCUMENT_UNPRINTABLE_ERROR);
        case JobFailure::Refused:
        case JobFailure::Incomplete:
            break;
    }
    return Fail(message, PAPPL_JREASON_ERRORS_DETECTED);
}

}  // namespace aro::printerapp
