// The job context: the process-wide state of the current print job.
//
// The host calls the exits one at a time and passes no handle between them,
// so the job lives in these fields for the whole load of the module. Every
// other part of the module reads and writes them directly; nothing else in
// the module keeps job state.
#pragma once

#include <cstdint>
#include <cstdio>

#include "base/FixedText.h"

typedef struct tiff TIFF;

namespace aro {

class PageBitmap;

extern bool g_bSetupPending;      // the next startDocExit runs the document setup
extern bool g_bDebug;             // diagnostic log on
extern std::FILE* g_pLogFile;     // the diagnostic log, null while closed
extern bool g_bMultiPage;         // all pages of a document go into one file
extern bool g_bBackgroundImage;   // background overlay on
extern bool g_bDocumentStart;     // the next band is the document's first
extern bool g_bFirstPage;         // the document's first page is being written
extern bool g_bFirstBand;         // the next band is the first of its page
extern uint32_t g_dwImageHeight;  // rows of the current page written so far
extern int32_t g_nPageCount;      // pages finished in the current file
extern int32_t g_nMaxPages;       // page limit, -1 for none
extern char g_szCutLines[8];
extern char g_szPrintTxtFile[kFlagSize];
extern char g_szPrintGrpFile[kFlagSize];
extern char g_szDocumentShortName[kPathSize];
extern char g_szShortNameToFileName[8];
extern char g_szJobName[kPathSize];
extern char g_szDocName[kPathSize];
extern char g_szFileName[kPathSize];
extern char g_szPrintDir[kPathSize];   // output folder; the .grp path after completion
extern char g_szPath[kPathSize];       // the TIFF file
extern TIFF* g_out;                    // the open TIFF file
extern PageBitmap* g_pBackground;      // the document's background image
extern unsigned char* g_pStripBuffer;  // colour writer's staging buffer for one page
// Rows of the colour page waiting in g_pStripBuffer for their strip to fill.
extern uint32_t g_dwStagedRows;

// Set when this document's TIFF file was created, so that completion does
// not describe a file that was never written.
extern bool g_bFileCreated;
// Set while a single-page restart runs the document setup.
extern bool g_bRestartSetup;

// The bitmap type (1 or 5) of the page being written into the TIFF file,
// fixed by its first band; 0 while no page is open there.
extern int32_t g_nPageFormat;
// Set once a write into the TIFF file failed (a full disk, the 4 GiB limit
// of classic TIFF): the file takes no further page, and its directory chain
// is cut back to the pages counted when it is closed.
extern bool g_bFileRefusesPages;

// Set by the naming when g_szFileName carries a time stamp. Such a name is
// meant to be the job's own: its file is claimed, never replaced.
extern bool g_bStampedFileName;

// Back to the state of a freshly loaded module (closes nothing).
void ResetJobContext();

}  // namespace aro
