// The job context: the process-wide state of the current print job.
//
// The host calls the exits one at a time and passes no handle between them,
// so the job lives in the one instance `g_job` for the whole load of the
// module. Every other part of the module reads and writes it directly;
// nothing else in the module keeps job state. The comments give each
// field's name in the module's design (g_szPath, g_out, ...).
//
// The phases of a job, and the single-page restart:
//
//   module loaded (setupPending)
//        |
//   startDocExit --------> document setup: settings, names, paths, background
//        |                  (documentStart, firstPage; setupPending cleared)
//   endPageExit, first band of the document: the TIFF file is created
//        |
//   startPageExit -------> firstBand, imageHeight 0
//   endPageExit ... ------> bands appended to the open page
//   endPageExit, last band: the page's directory written, pageCount + 1
//        |
//        +-- single-page mode: endDocExit, then a new document setup
//        |   (restartSetup), so that the next page is a file of its own
//   endDocExit ----------> file closed, .grp path named, hand-off, log closed
//
// In multi-page mode the setup runs once per load: a later startDocExit of
// the same load changes nothing.
#pragma once

#include <cstdint>

#include "base/FixedText.h"

typedef struct tiff TIFF;

namespace aro {

class BackgroundBitmap;

// Read at the document setup.
struct JobSettings {
    bool multiPage = false;                  // g_bMultiPage: all pages in one file
    bool backgroundImage = false;            // g_bBackgroundImage: overlay on
    char cutLines[8] = "";                   // g_szCutLines
    char printTxtFile[kFlagSize] = "";       // g_szPrintTxtFile
    char printGrpFile[kFlagSize] = "";       // g_szPrintGrpFile
    char documentShortName[kPathSize] = "";  // g_szDocumentShortName
    char shortNameToFileName[8] = "";        // g_szShortNameToFileName
    int32_t maxPages = 0;                    // g_nMaxPages: page limit, -1 for none
};

// The job's names and the paths made of them.
struct JobNames {
    char jobName[kPathSize] = "";   // g_szJobName: the print job's name, cleaned
    char docName[kPathSize] = "";   // g_szDocName: the name the archive gets
    char fileName[kPathSize] = "";  // g_szFileName: the file name stem
    // g_szPrintDir: the output folder. Completion leaves the .grp path in it
    // (as the design has it), which GetPrintFileName and a restart without
    // an output folder then see.
    char printDir[kPathSize] = "";
    char path[kPathSize] = "";       // g_szPath: the TIFF file
    char groupPath[kPathSize] = "";  // the .grp file, named at completion
    // Set when fileName carries a time stamp. Such a name is meant to be the
    // job's own: its file is claimed, never replaced.
    bool stampedFileName = false;
};

// The open TIFF file and the page being written into it.
struct JobPage {
    TIFF* out = nullptr;       // g_out: the open TIFF file
    bool firstBand = false;    // g_bFirstBand: the next band is the first of its page
    uint32_t imageHeight = 0;  // g_dwImageHeight: rows of the page written so far
    int32_t pageCount = 0;     // g_nPageCount: pages finished in the file
    // The bitmap type (1 or 5) of the page being written, fixed by its first
    // band; 0 while no page is open.
    int32_t format = 0;
    // Set once a write into the file failed (a full disk, the 4 GiB limit of
    // classic TIFF): the file takes no further page, and its directory chain
    // is cut back to the pages counted when it is closed.
    bool fileRefusesPages = false;
    BackgroundBitmap* background = nullptr;  // g_pBackground: the document's background image
    unsigned char* stripBuffer = nullptr;    // the colour writer's staging buffer for one page
    uint32_t stagedRows = 0;                 // colour rows waiting there for their strip to fill
};

// Where the job stands.
struct JobPhase {
    bool setupPending = true;    // g_bSetupPending: the next startDocExit runs the setup
    bool documentStart = false;  // g_bDocumentStart: the next band is the document's first
    bool firstPage = false;      // g_bFirstPage: the document's first page is being written
    // Set when this document's TIFF file was created, so that completion does
    // not describe a file that was never written.
    bool fileCreated = false;
    bool restartSetup = false;  // a single-page restart runs the document setup
};

struct JobContext {
    JobSettings settings;
    JobNames names;
    JobPage page;
    JobPhase phase;
};

extern JobContext g_job;

// Back to the state of a freshly loaded module (closes nothing).
void ResetJobContext();

}  // namespace aro
