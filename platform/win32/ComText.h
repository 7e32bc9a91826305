// Text between the module's ANSI strings and COM's UTF-16 strings.
#pragma once

#include <string>

#include "platform/win32/WindowsApi.h"

namespace aro::win32 {

// Widened with the ANSI code page.
std::wstring WidenAnsi(const char* text);
// Narrowed to the ANSI code page; null gives an empty text.
std::string NarrowToAnsi(const wchar_t* text, std::size_t length);
std::string BstrToAnsi(BSTR text);

// A BSTR owned until the end of its scope.
class ScopedBstr {
public:
    explicit ScopedBstr(const char* ansi);
    ~ScopedBstr() { SysFreeString(m_bstr); }
    ScopedBstr(const ScopedBstr&) = delete;
    ScopedBstr& operator=(const ScopedBstr&) = delete;
    BSTR get() const { return m_bstr; }
    // Ownership goes to the caller (a VARIANT that frees it).
    BSTR release();

private:
    BSTR m_bstr;
};

}  // namespace aro::win32
