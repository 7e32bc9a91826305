// The Windows registry emulated by one .reg text file per hive (the format
// regedit exports), read on every query and edited in place on every write.
#pragma once

#include <sys/stat.h>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Platform.h"

namespace aro::posix {

// The file of a hive. HKEY_CURRENT_USER: $ARO_PRINTER_HKCU when set and not
// empty, else ${XDG_CONFIG_HOME:-$HOME/.config}/aro-printer/user.reg (a
// relative XDG_CONFIG_HOME is ignored, as the XDG rules say).
// HKEY_LOCAL_MACHINE: $ARO_PRINTER_HKLM when set (an empty value names no
// file: the hive is then empty and unwritable), else
// /etc/aro-printer/machine.reg. Empty when no file can be named.
std::string HiveFilePath(aro::Hive hive);

// RegOpenKeyA + RegQueryValueExA. On entry *size is the capacity of data.
// False when the file cannot be read, the key or value is absent, or the
// data is longer than *size (then neither data nor *size is touched).
// Otherwise copies the value's raw bytes and sets *size to their count. A
// null data asks for the size only, as RegQueryValueExA does.
bool ReadHiveValue(const std::string& hiveFile, aro::Hive hive, const char* keyPath,
                   const char* valueName, unsigned char* data, uint32_t* size);

// RegCreateKeyA + RegSetValueExA(REG_SZ). Edits the one line of the value
// (or adds it, or adds the key's section) and keeps every other byte of the
// file. Creates missing folders and the file. The file is replaced as a
// whole, under an exclusive lock on "<file>.lock", so that readers and
// concurrent writers always see a complete file. A text with line breaks is
// stored as hex(1) bytes, which read back as the same REG_SZ data. False,
// with the old file untouched, when the value could not be stored.
bool WriteHiveString(const std::string& hiveFile, aro::Hive hive, const char* keyPath,
                     const char* valueName, const char* text);

// A value as RegQueryValueExA reports it: its type (REG_SZ = 1,
// REG_BINARY = 3, REG_DWORD = 4, ...) and its raw bytes.
struct HiveValue {
    uint32_t type = 0;
    std::vector<unsigned char> data;
};

// The value that the text of a hive file holds for keyPath (without root)
// and valueName ("" for the default value), or false when it has none.
bool FindHiveValue(std::string_view fileText, aro::Hive hive, std::string_view keyPath,
                   std::string_view valueName, HiveValue* out);

// ---- Helpers for line-based text files, shared with the INI writer ----

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

std::string_view TrimBlanks(std::string_view text);
// ASCII letters compare without regard to case, other bytes as they are.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);
bool HasLineBreak(std::string_view text);

// One line of a text: [begin, contentEnd) is its content without line end
// (LF or CRLF), end is where the next line starts.
struct TextLine {
    std::size_t begin = 0;
    std::size_t contentEnd = 0;
    std::size_t end = 0;
};
// The line starting at *position, which moves to the next. False at the end.
bool NextTextLine(std::string_view text, std::size_t* position, TextLine* line);
// "\r\n" when the first line of text ends that way, else "\n".
std::string_view LineEndOf(std::string_view text);
// text with line put in as a whole line at offset at (a line start or the
// end of text; a last line without line end gets one first).
std::string WithLineInserted(std::string_view text, std::size_t at, std::string_view line,
                             std::string_view lineEnd);
// text ending in a line end and then a blank line, ready for a new block.
std::string WithBlankLineAtEnd(std::string_view text, std::string_view lineEnd);

// ---- Whole-file helpers, shared with the INI writer ----

enum class FileReadResult { Read, Missing, Failed };

// Reads a regular file whole and, when info is given, its status. Anything
// other than a regular file (a folder, a FIFO that would block) is Failed.
FileReadResult ReadRegularFile(const std::string& path, std::string* text,
                               struct stat* info = nullptr);

// Replaces the file at path by one holding text: a private temporary file
// in the same folder is written, synced and renamed over it, so that a
// reader sees the old or the new file, never a part. The new file gets the
// mode and owner of oldInfo when given (and possible), else 0666 less the
// umask. False, with no temporary file left, on any failure.
bool ReplaceFileAtomically(const std::string& path, std::string_view text,
                           const struct stat* oldInfo);

}  // namespace aro::posix
