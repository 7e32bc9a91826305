#include "archive/JavaClientHandOff.h"

#include "archive/DispatchDriver.h"
#include "archive/HandOffFiles.h"
#include "base/TimeStamp.h"
#include "config/DiagnosticLog.h"
#include "config/SettingsStore.h"
#include "job/JobContext.h"

namespace aro {

namespace {

constexpr const char* kJavaProgId = "jniwrapper.arocomserver";
constexpr uint16_t kMethodOrGet = kDispatchMethod | kDispatchPropertyGet;

bool CreateJavaServer(DispatchDriver& driver) {
    ARO_LOG("Try to get Java OLE server\n");
    if (driver.Create(kJavaProgId)) return true;
    GetPlatform().ShowMessage("Error: Ole-Server not registered.", "ARO Pdf Printer",
                              kMessageBoxOk);
    return false;
}

// A client that is not running, or has nobody logged in, fails to name its
// archive: then the user is asked to log in. Whether that worked is not
// checked; the filing call will fail if it did not.
void CheckClientAndLogIn(DispatchDriver& driver) {
    try {
        const DispatchMember getName = driver.LookUp("getArchiveName");
        ARO_LOG("Try to get archive name to check running ARO\n");
        AutomationValue name =
            driver.Invoke(getName, kMethodOrGet, {}, AutomationValue::Type::String);
        LogText("Archive name found: ", name.text.c_str());
    } catch (const std::exception&) {
        ARO_LOG("Show login dialog\n");
        driver.Call("loginWithDialog", kMethodOrGet, {}, AutomationValue::Type::Empty);
    }
}

void ShowIndexDialog(DispatchDriver& driver) {
    driver.Call("setShowIndexDialog", kDispatchMethod, {AutomationValue::Bool(true)},
                AutomationValue::Type::Empty);
    ARO_LOG("return from setShowIndexDialog\n");
}

void FileIntoArchive(DispatchDriver& driver) {
    CheckClientAndLogIn(driver);
    ShowIndexDialog(driver);
    const DispatchMember add = driver.LookUp("addDocumentFileToArchive");
    char isoDate[kIsoDateSize];
    FormatIsoDate(isoDate);
    LogText("File: ", g_job.names.path);
    LogText("ISO date: ", isoDate);
    ARO_LOG("Show aro treeview\n");
    driver.Invoke(add, kDispatchMethod,
                  {AutomationValue::String(g_job.names.path), AutomationValue::String("ARO Print"),
                   AutomationValue::String(isoDate)},
                  AutomationValue::Type::Int);
    ARO_LOG("return from showing aro treeview\n");
}

void PutIntoIntray(DispatchDriver& driver) {
    CheckClientAndLogIn(driver);
    ShowIndexDialog(driver);
    driver.Call("addDocumentFileToIntray", kDispatchMethod,
                {AutomationValue::String(g_job.names.path)}, AutomationValue::Type::Empty);
    ARO_LOG("addDocumentFileToIntray\n");
}

}  // namespace

bool IsJavaClient() {
    char value[10];
    ReadSettingUserThenMachine(kMainKeyAlt, "IsJavaClient", value, sizeof value);
    return TextEquals(value, "1");
}

void PrintToArchiveJava() {
    ARO_LOG("In function PrintToArchiveJava\n");
    DispatchDriver driver;
    if (!CreateJavaServer(driver)) return;
    try {
        FileIntoArchive(driver);
    } catch (const std::exception&) {
        // The client reports its own failures; the files are removed all the same.
    }
    driver.Release();
    DeleteHandedOffFiles();
    ARO_LOG("Quit function PrintToArchiveJava\n");
}

void PrintToIntrayJava() {
    DispatchDriver driver;
    if (!CreateJavaServer(driver)) return;
    try {
        PutIntoIntray(driver);
    } catch (const std::exception&) {
        // The file stays where it is; the client reports its own failures.
    }
}

}  // namespace aro
