// Reads the version record that module/VersionResource.cpp embeds in the
// module file, straight from the file's bytes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace aro::posix {

constexpr std::size_t kVersionScanChunkBytes = 64 * 1024;

// Finds the first valid record (the marker followed by a FixedFileInfo with
// the expected signature and structure version) and stores the four file
// version parts, most significant first. The file is read chunkBytes at a
// time. False when the file cannot be read or holds no valid record.
bool ReadEmbeddedFileVersion(const char* path, uint16_t parts[4],
                             std::size_t chunkBytes = kVersionScanChunkBytes);

}  // namespace aro::posix
