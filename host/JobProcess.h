// Runs every job in a process of its own: the module keeps process-wide
// state for one document per load (its setup runs only once per load in
// multi-page mode), so each job needs a fresh load, and a module that
// crashes takes down only its job.
#pragma once

#include <functional>

#include "JobOutcome.h"

namespace aro::host {

// Runs job in a forked child and returns the outcome the child reported;
// Crashed when the child ended without one.
JobOutcome RunInChildProcess(const std::function<JobOutcome()>& job, std::string* failure);

}  // namespace aro::host
