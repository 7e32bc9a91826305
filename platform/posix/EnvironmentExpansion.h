// %NAME% references in configured paths, expanded from the environment.
#pragma once

#include <string>

namespace aro::posix {

// Replaces each %NAME% by the variable's value; a reference to an unknown
// variable, and a '%' with no closing partner, stay as written. Bytes are
// copied as they are.
std::string ExpandEnvironmentText(const std::string& source);

// What %APPDATA% stands for: $APPDATA, else $XDG_DATA_HOME, else
// $HOME/.local/share (the home folder from the password database when HOME
// is not set). Empty when none of them is known.
std::string ApplicationDataFolder();

}  // namespace aro::posix
