// aro-print --check: where the module's settings come from, the folder and
// name the next job's file would get, and what stands in the way. The
// answers come from the module's own settings code, not a copy of it.
#pragma once

#include <string>

namespace aro::host {

// Writes the report to standard output; 0 when nothing is wrong, 1 when a
// job would not print as expected.
int CheckSettings();

}  // namespace aro::host
