#include "JobRuns.h"

#include <chrono>

namespace aro::printerapp {

namespace {

// Runs remembered after they finished: a second start comes within the
// same moment, so a short memory is enough and does not grow with the jobs.
constexpr size_t kRemembered = 64;
constexpr std::chrono::minutes kLongestWait{10};

}  // namespace

JobRuns::Run* JobRuns::Find(int jobId) {
    for (Run& run : m_runs)
        if (run.jobId == jobId) return &run;
    return nullptr;
}

bool JobRuns::Claim(int jobId, bool* firstResult) {
    std::unique_lock<std::mutex> lock(m_lock);
    if (Find(jobId) == nullptr) {
        // Forget the oldest finished run; a running one is never dropped.
        if (m_runs.size() >= kRemembered) {
            for (auto run = m_runs.begin(); run != m_runs.end(); ++run)
                if (run->finished) {
                    m_runs.erase(run);
                    break;
                }
        }
        m_runs.push_back({jobId, false, false});
        return true;
    }
    // A first run that never ends (PAPPL gave up a raster job without its
    // end) does not hold the second one for ever.
    m_finished.wait_for(lock, kLongestWait, [&] {
        Run* run = Find(jobId);
        return run == nullptr || run->finished;
    });
    Run* run = Find(jobId);
    *firstResult = run != nullptr && run->finished && run->result;
    return false;
}

void JobRuns::Finish(int jobId, bool result) {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (Run* run = Find(jobId)) {
            run->finished = true;
            run->result = result;
        }
    }
    m_finished.notify_all();
}

JobRuns& ServerJobRuns() {
    static JobRuns runs;
    return runs;
}

}  // namespace aro::printerapp
