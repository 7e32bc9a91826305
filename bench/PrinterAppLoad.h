// aro-printer-app under load: several clients each submit a burst of jobs
// at once; every job must end completed with a readable file, and the
// server's resident memory is read idle, at its peak and idle again.
#pragma once

#include "PrinterAppSubmission.h"
#include "Summary.h"

namespace aro::bench {

struct LoadShape {
    int clients = 8;
    int jobsPerClient = 10;
    int pagesPerJob = 2;
};

// Adds the jobs completed, the files read back and the three memory
// figures to summary; false with error set when the load could not run.
// Jobs that fail are reported in the summary, not as an error.
bool MeasureLoad(const PrinterAppPrograms& programs, const LoadShape& shape, Summary* summary,
                 std::string* error);

}  // namespace aro::bench
