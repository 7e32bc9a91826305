// The one repair the background loader knows: an RGB image of three 8-bit
// samples in a single strip that claims separate planes, which libtiff
// refuses to open (or, in newer versions, reads as garbage).
#pragma once

namespace aro {

// True when the file at path holds such an image; the file is only read.
bool HasPlanarConfigDefect(const char* path);

// Marks every such image of the file at path contiguous, in place; true
// when there was one.
bool RepairPlanarConfigDefect(const char* path);

}  // namespace aro
