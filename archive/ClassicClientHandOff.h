// Hands the finished file to the classic archive client ("AroArcConnect.App").
#pragma once

namespace aro {

// Checks the TIFF file in, ends the client's server, then deletes the TIFF
// file and the .grp file (also when the check-in failed).
void PrintToArchive();

}  // namespace aro
