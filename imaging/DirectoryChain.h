// Repairs the chain of page directories of a classic TIFF file that a failed
// write left behind.
#pragma once

#include <cstdint>

namespace aro {

// Ends the chain after the first `pages` directories: the next-directory
// pointer of the last kept one (or the header's, for none) becomes 0. A
// directory whose write failed half way may already have been linked, and
// a reader walking the pages would run into it. False when the file could
// not be opened or its chain is shorter or leaves the file.
bool CutDirectoryChain(const char* path, uint32_t pages);

}  // namespace aro
