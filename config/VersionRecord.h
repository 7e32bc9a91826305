// Records which version of the module is installed in the system directory.
#pragma once

namespace aro {

// Reads the file version of the module file in the system directory and
// stores "<version> @ <system directory>" in the user's Versions key. False
// when the file has no readable version.
bool WriteVersionNumber();

}  // namespace aro
