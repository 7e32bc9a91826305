// aro-print --setup FOLDER: a minimal user hive that sends every job's file
// to FOLDER, so that a new user prints in two commands.
#pragma once

#include <string>

namespace aro::host {

// The hive text: AlternateKey naming a key whose Dovurezazuv value is the
// (absolute) folder.
std::string MinimalUserHive(const std::string& folder);

// Creates the folder when missing and writes the user hive, never over an
// existing file. 0 on success; 3 with a message on standard error.
int SetUpUserHive(const std::string& folder);

}  // namespace aro::host
