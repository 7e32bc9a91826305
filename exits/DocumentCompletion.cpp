// endDocExit: closes the file and delivers it.
#include <tiffio.h>

#include "archive/ClassicClientHandOff.h"
#include "archive/JavaClientHandOff.h"
#include "config/DiagnosticLog.h"
#include "config/SettingsStore.h"
#include "exits/CommandHooks.h"
#include "exits/Exits.h"
#include "imaging/BackgroundBitmap.h"
#include "imaging/ColourPageWriter.h"
#include "imaging/DirectoryChain.h"
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
    if (g_job.page.out) {
        ARO_LOG("Close tiff file.\n");
        TIFFClose(g_job.page.out);
        if (g_job.page.fileRefusesPages)
            CutDirectoryChain(g_job.names.path, static_cast<uint32_t>(g_job.page.pageCount));
    }
    ARO_LOG("g_out = 0\n");
    g_job.page.out = nullptr;
    ReleaseStripBuffer();
    g_job.page.format = 0;
    g_job.page.fileRefusesPages = false;
}

// The .grp file lies beside the TIFF file and shares its stem. The output
// folder's field takes its path as well, as the design has it: the .TXT
// name asked for after completion, and a single-page restart that finds no
// output folder, start with it. Without an output folder both stay empty:
// nothing goes to the root.
void BuildGroupFileName() {
    ARO_LOG("Build grp file name.\n");
    g_job.names.groupPath[0] = '\0';
    if (!g_job.names.printDir[0]) return;
    JoinPath(g_job.names.groupPath,
             {g_job.names.printDir, kPathSeparatorText, g_job.names.fileName, ".grp"});
    CopyText(g_job.names.printDir, g_job.names.groupPath);
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
    if (g_job.settings.multiPage) {
        ARO_LOG("Multipage printing -> PrintToArchive\n");
        HandOffToArchive();
        return;
    }
    ARO_LOG("No multipage printing, looking for printed file\n");
    if (GetPlatform().PathExists(g_job.names.path)) {
        ARO_LOG("File found -> PrintToArchive\n");
        HandOffToArchive();
    }
}

// The .grp file describes the TIFF file beside it. A single-page job
// prepares a name for a page that never comes after its last page: that
// file is never created, and a .grp for it would name a missing file with
// the page count of the page before.
void WriteGroupFile() {
    if (!TextEquals(g_job.settings.printGrpFile, "1") || !g_job.names.groupPath[0]) return;
    if (!g_job.settings.multiPage && !g_job.phase.fileCreated) return;
    LogText("Create grp file: ", g_job.names.groupPath);
    GetPlatform().WriteProfileString("Print Page Appended", "Image File Name", g_job.names.path,
                                     g_job.names.groupPath);
    TextValue pages(g_job.page.pageCount);
    LogText("Write page number: ", pages.c_str());
    GetPlatform().WriteProfileString("Zavor Printer", "Total Page Number", pages.c_str(),
                                     g_job.names.groupPath);
}

void KeepInOutputFolder() {
    ARO_LOG("Only print to the printer temp directory.\n");
    WriteGroupFile();
    if (IsJavaClient()) PrintToIntrayJava();
}

void ReleaseBackground() {
    if (!g_job.page.background) return;
    g_job.page.background->FreeDib();
    delete g_job.page.background;
    g_job.page.background = nullptr;
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
