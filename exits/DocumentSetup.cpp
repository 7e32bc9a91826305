// startDocExit: the document setup, once per load and at every single-page
// restart.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "config/DiagnosticLog.h"
#include "config/FileNaming.h"
#include "config/OutputDirectory.h"
#include "config/SettingsStore.h"
#include "config/VersionRecord.h"
#include "exits/AccountCheck.h"
#include "exits/CommandHooks.h"
#include "exits/DocumentFile.h"
#include "exits/Exits.h"
#include "imaging/BackgroundBitmap.h"
#include "job/JobContext.h"
#include "platform/Platform.h"

namespace aro {

namespace {

void ReadMultiPageMode() {
    char value[kFlagSize];
    if (!ReadUserSetting("PrintMultiPageImage", value)) {
        g_job.settings.multiPage = true;
        ARO_LOG("No registry entry, MultiPageImage = true\n");
    } else if (TextEquals(value, "1")) {
        g_job.settings.multiPage = true;
        ARO_LOG("MultiPageImage = true\n");
    } else {
        g_job.settings.multiPage = false;
        ARO_LOG("MultiPageImage = false\n");
    }
}

void ReadJobSettings() {
    char value[kFlagSize];
    ReadUserSetting("PrintBackgroundImage", value);
    g_job.settings.backgroundImage = TextEquals(value, "1");
    ReadUserSetting("DocumentShortName", g_job.settings.documentShortName);
    ReadUserSetting("ShortNameToFileName", g_job.settings.shortNameToFileName);
    ReadUserSetting("CutLines", g_job.settings.cutLines);
    // A single character counts as nothing to cut: "7" is 0 lines, "07" is 7.
    if (std::strlen(g_job.settings.cutLines) < 2) CopyText(g_job.settings.cutLines, "0");
}

void ReadOutputSettings() {
    ReadUserThenMachineSetting("PrintTxtFile", g_job.settings.printTxtFile);
    ReadUserThenMachineSetting("PrintGrpFile", g_job.settings.printGrpFile);
    char maxPages[kFlagSize];
    if (!ReadUserThenMachineSetting("MaxPagesCount", maxPages)) CopyText(maxPages, "-1");
    // Clamped to 32 bits as Windows' 32-bit long does: "4294967297" is no
    // limit there, and must not wrap to a limit of 1 here.
    const long limit = std::strtol(maxPages, nullptr, 10);
    g_job.settings.maxPages = static_cast<int32_t>(std::clamp<long>(
        limit, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

void CheckAccount() {
    ARO_LOG("Call function CheckForUser\n");
    if (!CheckForUser())
        GetPlatform().ShowMessage(
            "No user account found. Please check the printer properties to send print jobs "
            "directly to the printer.",
            "ARO Printer", kMessageBoxOk | kMessageBoxTopMost);
}

void ResolveOutputDirectory() {
    ARO_LOG("Call function GetPrinterTempDirectory\n");
    TextValue folder = ResolveOutputFolder();
    LogText("GetPrinterTempDirectory=", folder.c_str());
    if (folder.Length() == 0)
        GetPlatform().ShowMessage("Print directory not found.", "ARO Printer", kMessageBoxOk);
    else
        CopyText(g_job.names.printDir, folder.c_str());
}

// Cuts the stem so that folder, separator, stem and extension fit one path.
void FitStemToPath() {
    CutKeepingTimeStamp(g_job.names.fileName, StemRoom());
}

// A later page of a single-page job must not replace an earlier page's file
// that got the same name (a name without time stamp, or the same
// millisecond): "_2", "_3", ... is added to the stem until the name is free.
void MakeRestartNameUnique() {
    if (!g_job.phase.restartSetup || !ComposeTiffPath() ||
        !GetPlatform().PathExists(g_job.names.path))
        return;
    char stem[kPathSize];
    CopyText(stem, g_job.names.fileName);
    for (int n = 2; n <= kMaxFileNumber && NumberFileName(stem, n); ++n)
        if (!GetPlatform().PathExists(g_job.names.path)) return;
}

void ChooseFileName() {
    ARO_LOG("Call function GetFileName\n");
    GetFileName(g_job.names.fileName);
    FitStemToPath();
    MakeRestartNameUnique();
    LogText("FileName=", g_job.names.fileName);
    ComposeTiffPath();
    LogText("g_szPath=", g_job.names.path);
}

void CreateBackgroundBitmap() {
    if (g_job.page.background) {
        g_job.page.background->FreeDib();
        delete g_job.page.background;
    }
    g_job.page.background = new BackgroundBitmap();
    g_job.page.background->Reset();
}

void RunDocumentSetup() {
    g_job.phase.documentStart = true;
    g_job.phase.firstPage = true;
    g_job.phase.fileCreated = false;
    StartDiagnosticLog();
    ARO_LOG("In function startDocExit\n");
    ARO_LOG("Call function WriteVersionNumber\n");
    WriteVersionNumber();
    ReadMultiPageMode();
    ReadJobSettings();
    RunBeforeHook();
    ReadOutputSettings();
    CheckAccount();
    ResolveOutputDirectory();
    ChooseFileName();
    g_job.phase.setupPending = false;
    g_job.page.out = nullptr;
    CreateBackgroundBitmap();
}

}  // namespace

int16_t StartDocExit() {
    if (g_job.phase.setupPending) RunDocumentSetup();
    ARO_LOG("End function startDocExit\n");
    return 0;
}

}  // namespace aro
