// The two ways the Win32 "A" functions hand a string back to a caller's
// buffer, so every service reports sizes exactly like the call it mirrors.
#pragma once

#include <cstdint>
#include <string>

namespace aro::posix {

// GetTempPathA / GetLongPathNameA / GetSystemDirectoryA: when text and its
// terminator fit, stores them and returns the length without terminator;
// otherwise returns the size needed including the terminator. 0 when the
// text is too long to be described by a 32-bit size.
uint32_t StoreReportingLength(const std::string& text, char* buffer, uint32_t capacity);

// ExpandEnvironmentStringsA: when text and its terminator fit, stores them
// and returns the count stored including the terminator; otherwise returns
// the size needed. 0 when the text is too long for a 32-bit size.
uint32_t StoreReportingCount(const std::string& text, char* buffer, uint32_t capacity);

}  // namespace aro::posix
