// WritePrivateProfileStringA on POSIX files.
#pragma once

namespace aro::posix {

// Stores key=value in the section of the INI file, as
// WritePrivateProfileStringA does for a non-null section, key and value:
// section and key names match without regard to case (and to blanks around
// them); the first matching section and its first matching key are used.
// The key's line is replaced, or the key added after the last key of the
// section, or the section added at the end of the file; every other line
// stays as it was. A missing file is created, a missing folder is not. The
// file is replaced as a whole (temporary file + rename). False when the
// value could not be stored, and for names or a value that cannot be
// written as one line (a line break, a key holding "=" or starting with
// ";" or "[").
bool WritePrivateProfileString(const char* section, const char* key, const char* value,
                               const char* file);

}  // namespace aro::posix
