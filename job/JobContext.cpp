#include "job/JobContext.h"

namespace aro {

JobContext g_job;

void ResetJobContext() {
    g_job = JobContext{};
}

}  // namespace aro
