// The document's TIFF file: its path, and its creation by the first band.
#pragma once

#include <cstddef>

typedef struct tiff TIFF;

namespace aro {

// Extensions of the job's files share one length, so a stem that fits the
// TIFF path fits the .grp and .TXT paths too.
constexpr std::size_t kExtensionLength = 4;
// The highest number a file name is given to keep it apart from another.
constexpr int kMaxFileNumber = 9999;

// g_job.names.path = g_job.names.printDir, separator, g_job.names.fileName and ".TIF"; false (and
// an empty path) when that does not fit.
bool ComposeTiffPath();

// The longest stem for which the TIFF path fits.
std::size_t StemRoom();

// g_job.names.fileName = stem and "_<number>" (the stem cut to make room, keeping
// its time stamp), and g_job.names.path from it. False when the number has no room.
bool NumberFileName(const char* stem, int number);

// Creates the file g_job.names.path for writing. A name with a time stamp belongs
// to this job alone: when another job already has that file, the next free
// name of "_2", "_3", ... is taken and g_job.names.fileName and g_job.names.path follow it.
// Other names replace an existing file. Null when no file was created.
TIFF* CreateDocumentFile();

}  // namespace aro
