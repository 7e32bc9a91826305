// Jobs that ended without a document. PAPPL 1.3.1 marks a job whose
// Send-Document brought no data aborted but leaves it among the active
// jobs: it is never finished, and shutting down waits a minute for it.
#pragma once

#include <pappl/pappl.h>

namespace aro::printerapp {

// An aborted job that never started processing: nothing will finish it.
bool IsStrandedJob(ipp_jstate_t state, time_t processed);

// Every few seconds, moves such jobs to the completed ones, told why.
void CollectEmptyJobs(pappl_system_t* system);

}  // namespace aro::printerapp
