// The name of the job's files (without folder and extension) and the
// document name handed to the classic archive client.
#pragma once

namespace aro {

// Fills fileName (the 260-byte g_szFileName) and g_szDocName from the
// PrintToArchive, FileNameMode and TempfileName settings. Names that do not
// fit their 260-byte fields are cut.
void GetFileName(char* fileName);

}  // namespace aro
