// The Windows registry emulated by one .reg text file per hive (the format
// regedit exports), read on every query and edited in place on every write.
#pragma once

#include <chrono>
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

// How long a write waits for the lock of a hive file before it gives up.
constexpr std::chrono::milliseconds kHiveLockWait{1500};

// RegCreateKeyA + RegSetValueExA(REG_SZ). Edits the one line of the value
// (or adds it, or adds the key's section) and keeps every other byte of the
// file, in the file's own encoding (a UTF-16 LE file stays UTF-16 LE with
// its byte-order mark, a UTF-8 byte-order mark stays). Creates missing
// folders and the file. A file that already holds the text is left as it
// is, without taking the lock. Otherwise the file is replaced as a whole,
// under an exclusive lock on "<file>.lock" (created 0600), so that readers
// and concurrent writers always see a complete file; when the lock cannot
// be had within kHiveLockWait the write is skipped. A text with line breaks
// is stored as hex(1) bytes, which read back as the same REG_SZ data. False,
// with the old file untouched, when the value could not be stored: the lock
// was held too long, or the file cannot be written back as it is (a UTF-16
// file that does not decode, a file holding NUL bytes, UTF-16 big-endian).
bool WriteHiveString(const std::string& hiveFile, aro::Hive hive, const char* keyPath,
                     const char* valueName, const char* text);

// RegDeleteValueA. Removes the lines that give the value in the key (a
// value spread over several sections of the key loses each of them) and
// keeps every other byte of the file, under the same lock, in the same
// encoding and with the same failure cases as WriteHiveString. A file, key
// or value that is absent already is left as it is: true.
bool DeleteHiveValue(const std::string& hiveFile, aro::Hive hive, const char* keyPath,
                     const char* valueName);

// A value as RegQueryValueExA reports it: its type (REG_SZ = 1,
// REG_BINARY = 3, REG_DWORD = 4, ...) and its raw bytes.
struct HiveValue {
    uint32_t type = 0;
    std::vector<unsigned char> data;
};

// The value that the text of a hive file (bytes as read: UTF-8, with or
// without byte-order mark, or UTF-16 LE with byte-order mark) holds for keyPath (without root)
// and valueName ("" for the default value), or false when it has none.
bool FindHiveValue(std::string_view fileText, aro::Hive hive, std::string_view keyPath,
                   std::string_view valueName, HiveValue* out);

}  // namespace aro::posix
