// The name of the job's files (without folder and extension) and the
// document name handed to the classic archive client.
#pragma once

#include <cstddef>

namespace aro {

// Fills fileName (the 260-byte g_job.names.fileName) and g_job.names.docName from the
// PrintToArchive, FileNameMode and TempfileName settings, and tells in
// g_job.names.stampedFileName whether the file name ends in a time stamp. Names that
// do not fit their 260-byte fields are cut.
void GetFileName(char* fileName);

// Cuts a name to at most length characters. A name that ends in "_" and a
// file time stamp keeps them and loses text before them instead: the stamp
// is what keeps one job's file from replacing another's.
void CutKeepingTimeStamp(char* name, std::size_t length);

// Cuts a name to at most length bytes, between two characters: half a
// character would leave a name that is no text at all.
void CutName(char* name, std::size_t length);

}  // namespace aro
