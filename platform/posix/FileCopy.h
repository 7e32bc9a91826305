// CopyFileA on POSIX files.
#pragma once

namespace aro::posix {

// Copies the bytes of source to target, which gets the source's permission
// bits (less the umask) when it is created. With failIfExists an existing
// target is an error; otherwise it is overwritten. A file is never copied
// onto itself (that would truncate it). On failure a target this call
// created is removed again. False on any failure.
bool CopyFileBytes(const char* source, const char* target, bool failIfExists);

}  // namespace aro::posix
