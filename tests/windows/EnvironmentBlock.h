// Environment blocks for CreateProcessA.
#pragma once

#include <string>
#include <vector>

namespace aro::wtest {

// This process's environment with the "NAME=value" overrides applied
// (names compare without regard to case), as a block of terminated
// entries, sorted by name, ending in an empty entry.
std::string EnvironmentWith(const std::vector<std::string>& overrides);

}  // namespace aro::wtest
