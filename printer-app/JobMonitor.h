// Tells PAPPL what a job's aro-print reports: pages done and to come, the
// module's refusals and errors as the job's message, and how the job ends.
#pragma once

#include <pappl/pappl.h>

#include <string>

#include "JobChild.h"
#include "JobReport.h"

namespace aro::printerapp {

// Cancelled by a user or an administrator. papplJobIsCanceled is also
// true for a job PAPPL aborted itself (a malformed raster stream), whose
// finished pages must still be completed.
bool CancelledByUser(pappl_job_t* job);

class JobMonitor : public ChildListener {
public:
    // countPages: the job's impressions come from aro-print (a spooled
    // document); PAPPL counts the pages of raster it reads itself.
    JobMonitor(pappl_job_t* job, bool countPages) : m_job(job), m_countPages(countPages) {}

    void StatusLine(const std::string& line) override;
    void OutputLine(const std::string& line) override;
    bool Cancelled() override;

    // The job failed before aro-print could tell anything.
    bool Fail(const std::string& message, pappl_jreason_t reason);
    // After the child ended: the job's last message and reasons; true when
    // every page printed (or the job was cancelled, which PAPPL records).
    bool Conclude(int waitStatus);

    const JobReport& report() const { return m_report; }

private:
    pappl_job_t* m_job;
    bool m_countPages;
    JobReport m_report;
};

}  // namespace aro::printerapp
