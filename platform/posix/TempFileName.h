// GetTempFileNameA with a unique number of 0.
#pragma once

#include <cstdint>

namespace aro::posix {

// Creates a new, empty file readable and writable by the owner only, named
// <folder>[/]<prefix><six unique characters>.tmp (a "/" is put between
// folder and prefix when the folder does not end in one; an empty folder is
// the current one), and stores its name with terminator. False when the
// file cannot be created or the name does not fit; then no file is left.
bool CreateUniqueTempFile(const char* folder, const char* prefix, char* name, uint32_t capacity);

}  // namespace aro::posix
