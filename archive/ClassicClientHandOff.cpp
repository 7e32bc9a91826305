#include "archive/ClassicClientHandOff.h"

#include "archive/DispatchDriver.h"
#include "archive/HandOffFiles.h"
#include "config/DiagnosticLog.h"
#include "job/JobContext.h"

namespace aro {

namespace {

constexpr const char* kNotRegisteredMessage =
    "Error: Ole-Server AroArcConnect.exe not registered.\n\nPlease run AroArcConnect.exe once. "
    "This file is located in the ARO client directory.\nIn case the file is not there you have "
    "to install the latest macro update.";

const char* DocumentNameForClient() {
    return TextEquals(g_job.settings.shortNameToFileName, "1") ? g_job.names.docName
                                                               : g_job.settings.documentShortName;
}

void CheckIn(DispatchDriver& driver) {
    const DispatchMember checkIn = driver.LookUp("DoCheckInOut2");
    std::vector<AutomationValue> arguments = {AutomationValue::String("ARO Printer"),
                                              AutomationValue::String(DocumentNameForClient()),
                                              AutomationValue::String(g_job.names.path)};
    ARO_LOG("Call ole function DoCheckInOut2.\n");
    driver.Invoke(checkIn, kDispatchMethod, arguments, AutomationValue::Type::Empty);
    ARO_LOG("End OleServer\n");
    driver.Call("EndOleServer", kDispatchMethod, {}, AutomationValue::Type::Empty);
}

}  // namespace

void PrintToArchive() {
    DispatchDriver driver;
    if (!driver.Create("AroArcConnect.App")) {
        GetPlatform().ShowMessage(kNotRegisteredMessage, "ARO Printer", kMessageBoxOk);
        return;
    }
    try {
        CheckIn(driver);
    } catch (const std::exception&) {
        // The client reports its own failures; the files are removed all the same.
    }
    driver.Release();
    DeleteHandedOffFiles();
    ARO_LOG("Quit function PrintToArchive\n");
}

}  // namespace aro
