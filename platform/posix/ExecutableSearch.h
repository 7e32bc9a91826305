// Finding the program file a name refers to.
#pragma once

#include <optional>
#include <string>

namespace aro::posix {

// The first executable regular file called name in the $PATH folders (the
// system's default search path when PATH is not set). An empty PATH entry
// stands for the current folder, as for the shell.
std::optional<std::string> FindExecutableOnPath(const std::string& name);

// The name to hand to posix_spawnp for a configured program: a program under
// the given name is used first (prefixed with "./" when the name has no '/',
// so that it is not searched for); otherwise the name itself, which
// posix_spawnp looks up in $PATH when it holds no '/'.
std::string ProgramToSpawn(const std::string& program);

}  // namespace aro::posix
