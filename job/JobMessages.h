// Message boxes shown from more than one place of the job.
#pragma once

namespace aro {

// "Cannot open TIFF file in the directory ..." naming g_job.names.printDir.
void ShowCannotOpenTiffMessage();

}  // namespace aro
