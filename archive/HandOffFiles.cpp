#include "archive/HandOffFiles.h"

#include "config/DiagnosticLog.h"
#include "job/JobContext.h"
#include "platform/Platform.h"

namespace aro {

void DeleteHandedOffFiles() {
    LogText("DeleteFile = ", g_szPath);
    GetPlatform().RemoveFile(g_szPath);
    LogText("DeleteFile = ", g_szPrintDir);
    GetPlatform().RemoveFile(g_szPrintDir);
}

}  // namespace aro
