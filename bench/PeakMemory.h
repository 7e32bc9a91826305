// Peak resident size of a whole print job, measured in a fresh process per
// job so that no earlier work inflates the figure.
#pragma once

#include <string>

#include "BenchInputs.h"
#include "BenchSandbox.h"

namespace aro::bench {

// The job: letterhead on, mostly text pages with a colour page at every
// hundredth page (pages 5, 105, ...); prints "VmHWM <kB>" and
// "VmRSS <kB>" on standard output. Runs inside the child.
int RunMemoryJob(const BenchInputs& inputs, const std::string& modulePath,
                 const BenchSandbox& sandbox, int pages);

// The child's peak and final resident size in KiB; -1 when unknown.
struct JobMemory {
    long peakKiB = -1;
    long residentKiB = -1;
};

// Starts this program again with the arguments that make it run
// RunMemoryJob for pages pages.
JobMemory MeasureJobMemory(const std::string& self, const std::vector<std::string>& childArguments,
                           int pages, std::string* error);

// VmHWM or VmRSS of this process in KiB ("VmHWM:"), -1 when unknown.
long ProcessStatusKiB(const char* field);

}  // namespace aro::bench
