// A file's version record from its version resource.
#pragma once

#include <cstdint>

namespace aro::win32 {

// GetFileVersionInfoSizeA, GetFileVersionInfoA into a block of exactly that
// size, VerQueryValueA("\") for the fixed record: the four parts of the file
// version, most significant first. False when the file has no version
// resource or its root block cannot be read.
bool ReadFileVersionParts(const char* path, uint16_t parts[4]);

}  // namespace aro::win32
