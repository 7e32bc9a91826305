// Where aro-print finds the exit module when --module does not name one.
#pragma once

#include <string>
#include <vector>

namespace aro::host {

// The places tried, in order, for a program in programDir: the library
// folder of an installation (multiarch first), then the program's own folder
// (a build tree).
std::vector<std::string> ModuleCandidates(const std::string& programDir,
                                          const std::string& multiarch);

// The folder of the running program, from /proc/self/exe; empty if unknown.
std::string ProgramDirectory();

// The first candidate beside the running program that exists; empty when
// none does, and then tried lists the places looked at.
std::string FindDefaultModule(std::vector<std::string>* tried);

}  // namespace aro::host
