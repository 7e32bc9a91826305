#pragma once

namespace aro {

// Deletes the TIFF file (g_job.names.path) and the .grp file (g_job.names.groupPath) after an
// archive took them, logging each attempt.
void DeleteHandedOffFiles();

}  // namespace aro
