// Starting programs without disturbing the host process: its descriptors,
// its SIGCHLD disposition and its other children are left alone.
#pragma once

#include <string>
#include <vector>

namespace aro::posix {

// posix_spawnp(program, arguments) with the host's environment and current
// folder, then waits for the program's end. False when it could not start.
bool SpawnAndWait(const std::string& program, const std::vector<std::string>& arguments);

// Starts the program and returns at once. An intermediate child spawns it
// and exits straight away; reaping that child here re-parents the program
// to init (or the nearest subreaper), which reaps it in turn, so no zombie
// is left behind and no SIGCHLD handling or thread is needed. False when the
// program could not be started.
bool SpawnDetached(const std::string& program, const std::vector<std::string>& arguments);

}  // namespace aro::posix
