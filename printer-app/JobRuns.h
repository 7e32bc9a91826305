// One run per job, whatever PAPPL does.
//
// PAPPL 1.3.1 starts a pending job in a new thread and marks it processing
// only inside that thread, so two checks for work close together (a new
// job arriving while the last one ends) can start the same job twice: the
// document would be printed into two files, and two raster runs would share
// one job's data. The first run of a job prints; a second run waits for it
// and reports the same result without printing anything.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>

namespace aro::printerapp {

class JobRuns {
public:
    // True for the job's first run, which must call Finish. Otherwise waits
    // until the first run has finished and sets *firstResult to its result.
    bool Claim(int jobId, bool* firstResult);
    void Finish(int jobId, bool result);

private:
    struct Run {
        int jobId;
        bool finished;
        bool result;
    };
    Run* Find(int jobId);

    std::mutex m_lock;
    std::condition_variable m_finished;
    std::deque<Run> m_runs;  // the running and the latest finished runs, oldest first
};

// The runs of the server's jobs.
JobRuns& ServerJobRuns();

}  // namespace aro::printerapp
