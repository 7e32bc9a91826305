#include "archive/HandOffFiles.h"

#include "config/DiagnosticLog.h"
#include "job/JobContext.h"
#include "platform/Platform.h"

namespace aro {

void DeleteHandedOffFiles() {
    LogText("DeleteFile = ", g_job.names.path);
    GetPlatform().RemoveFile(g_job.names.path);
    LogText("DeleteFile = ", g_job.names.groupPath);
    GetPlatform().RemoveFile(g_job.names.groupPath);
}

}  // namespace aro
