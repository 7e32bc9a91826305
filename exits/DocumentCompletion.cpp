// endDocExit: closes the file and delivers it.
#include <tiffio.h>

#include "archive/ClassicClientHandOff.h"
#include "archive/JavaClientHandOff.h"
#include "config/DiagnosticLog.h"
#include "config/SettingsStore.h"
#include "exits/CommandHooks.h"
#include "exits/Exits.h"
#include "imaging/ColourPageWriter.h"
#include "imaging/DirectoryChain.h"
#include "imaging/PageBitmap.h"
#include "job/JobContext.h"
#include "platform/PathRules.h"
#include "platform/Platform.h"

namespace aro {

namespace {

// A page still open (its closing band never came) is ended first, so that
// the library does not write it half described. A file whose writes failed
// keeps exactly the pages counted: closing it may have linked the directory
// of the page that failed, which leads nowhere.
void CloseDocumentFile() {
    EndOpenPage();
    if (g_out) {
        ARO_LOG("Close tiff file.\n");
        TIFFClose(g_out);
        if (g_bFileRefusesPages) CutDirectoryChain(g_szPath, static_cast<uint32_t>(g_nPageCount));
    }
    ARO_LOG("g_out = 0\n");
    g_out = nullptr;
    ReleaseStripBuffer();
    g_nPageFormat = 0;
    g_bFileRefusesPages = false;
}

// From here on g_szPrintDir holds the .grp path; the hand-offs rely on it.
// Without an output folder it stays empty: nothing goes to the root.
void BuildGroupFileName() {
    ARO_LOG("Build grp file name.\n");
    if (!g_szPrintDir[0]) return;
    char folder[kPathSize];
    CopyText(folder, g_szPrintDir);
    JoinPath(g_szPrintDir, {folder, kPathSeparatorText, g_szFileName, ".grp"});
}

bool ArchiveModeOn() {
    char value[5];
    ReadUserSetting("PrintToArchive", value);
    return TextEquals(value, "1");
}

void HandOffToArchive() {
    if (IsJavaClient()) {
        ARO_LOG("Java Client found\n");
        PrintToArchiveJava();
        ARO_LOG("Back from function PrintToArchiveJava.\n");
    } else {
        PrintToArchive();
        ARO_LOG("Back from function PrintToArchive.\n");
    }
}

void DeliverToArchive() {
    ARO_LOG("Call function PrintToArchive.\n");
    if (g_bMultiPage) {
        ARO_LOG("Multipage printing -> PrintToArchive\n");
        HandOffToArchive();
        return;
    }
    ARO_LOG("No multipage printing, looking for printed file\n");
    if (GetPlatform().PathExists(g_szPath)) {
        ARO_LOG("File found -> PrintToArchive\n");
        HandOffToArchive();
    }
}

// The .grp file describes the TIFF file beside it. A single-page job
// prepares a name for a page that never comes after its last page: that
// file is never created, and a .grp for it would name a missing file with
// the page count of the page before.
void WriteGroupFile() {
    if (!TextEquals(g_szPrintGrpFile, "1") || !g_szPrintDir[0]) return;
    if (!g_bMultiPage && !g_bFileCreated) return;
    LogText("Create grp file: ", g_szPrintDir);
    GetPlatform().WriteProfileString("Print Page Appended", "Image File Name", g_szPath,
                                     g_szPrintDir);
    StringBuilder pages(g_nPageCount);
    LogText("Write page number: ", pages.c_str());
    GetPlatform().WriteProfileString("Zavor Printer", "Total Page Number", pages.c_str(),
                                     g_szPrintDir);
}

void KeepInOutputFolder() {
    ARO_LOG("Only print to the printer temp directory.\n");
    WriteGroupFile();
    if (IsJavaClient()) PrintToIntrayJava();
}

void ReleaseBackground() {
    if (!g_pBackground) return;
    g_pBackground->FreeDib();
    delete g_pBackground;
    g_pBackground = nullptr;
}

}  // namespace

int16_t EndDocExit() {
    ARO_LOG("In function EndDocExit.\n");
    CloseDocumentFile();
    BuildGroupFileName();
    ARO_LOG("Check for ShellExecuteBeforeCheckin\n");
    RunCheckinHook();
    ARO_LOG("Check PrintToArchive.\n");
    if (ArchiveModeOn())
        DeliverToArchive();
    else
        KeepInOutputFolder();
    ARO_LOG("Check for ShellExecuteAfter\n");
    RunAfterHook();
    EndDiagnosticLog();
    ReleaseBackground();
    return 0;
}

}  // namespace aro
