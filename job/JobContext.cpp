#include "job/JobContext.h"

namespace aro {

bool g_bSetupPending = true;
bool g_bDebug = false;
std::FILE* g_pLogFile = nullptr;
bool g_bMultiPage = false;
bool g_bBackgroundImage = false;
bool g_bDocumentStart = false;
bool g_bFirstPage = false;
bool g_bFirstBand = false;
uint32_t g_dwImageHeight = 0;
int32_t g_nPageCount = 0;
int32_t g_nMaxPages = 0;
char g_szCutLines[8] = "";
char g_szPrintTxtFile[kFlagSize] = "";
char g_szPrintGrpFile[kFlagSize] = "";
char g_szDocumentShortName[kPathSize] = "";
char g_szShortNameToFileName[8] = "";
char g_szJobName[kPathSize] = "";
char g_szDocName[kPathSize] = "";
char g_szFileName[kPathSize] = "";
char g_szPrintDir[kPathSize] = "";
char g_szPath[kPathSize] = "";
TIFF* g_out = nullptr;
PageBitmap* g_pBackground = nullptr;
unsigned char* g_pStripBuffer = nullptr;
uint32_t g_dwStagedRows = 0;
bool g_bFileCreated = false;
bool g_bRestartSetup = false;
int32_t g_nPageFormat = 0;
bool g_bFileRefusesPages = false;
bool g_bStampedFileName = false;

void ResetJobContext() {
    g_bSetupPending = true;
    g_bDebug = false;
    g_pLogFile = nullptr;
    g_bMultiPage = false;
    g_bBackgroundImage = false;
    g_bDocumentStart = false;
    g_bFirstPage = false;
    g_bFirstBand = false;
    g_dwImageHeight = 0;
    g_nPageCount = 0;
    g_nMaxPages = 0;
    for (char* field :
         {g_szCutLines, g_szPrintTxtFile, g_szPrintGrpFile, g_szDocumentShortName,
          g_szShortNameToFileName, g_szJobName, g_szDocName, g_szFileName, g_szPrintDir, g_szPath})
        field[0] = '\0';
    g_out = nullptr;
    g_pBackground = nullptr;
    g_pStripBuffer = nullptr;
    g_dwStagedRows = 0;
    g_bFileCreated = false;
    g_bRestartSetup = false;
    g_nPageFormat = 0;
    g_bFileRefusesPages = false;
    g_bStampedFileName = false;
}

}  // namespace aro
