#pragma once

namespace aro {

// Deletes the TIFF file (g_szPath) and the .grp file (g_szPrintDir) after an
// archive took them, logging each attempt.
void DeleteHandedOffFiles();

}  // namespace aro
