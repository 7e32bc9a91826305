#include "platform/win32/ComText.h"

#include <climits>
#include <cstring>
#include <new>

namespace aro::win32 {

std::wstring WidenAnsi(const char* text) {
    if (text == nullptr || text[0] == '\0') return {};
    const std::size_t length = std::strlen(text);
    if (length > INT_MAX) return {};
    const int bytes = static_cast<int>(length);
    const int needed = MultiByteToWideChar(CP_ACP, 0, text, bytes, nullptr, 0);
    if (needed <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, bytes, wide.data(), needed);
    return wide;
}

std::string NarrowToAnsi(const wchar_t* text, std::size_t length) {
    if (text == nullptr || length == 0 || length > INT_MAX) return {};
    const int units = static_cast<int>(length);
    const int needed = WideCharToMultiByte(CP_ACP, 0, text, units, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return {};
    std::string narrow(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, units, narrow.data(), needed, nullptr, nullptr);
    return narrow;
}

std::string BstrToAnsi(BSTR text) {
    return NarrowToAnsi(text, text ? SysStringLen(text) : 0);
}

ScopedBstr::ScopedBstr(const char* ansi) {
    const std::wstring wide = WidenAnsi(ansi);
    m_bstr = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    if (m_bstr == nullptr) throw std::bad_alloc();
}

BSTR ScopedBstr::release() {
    BSTR owned = m_bstr;
    m_bstr = nullptr;
    return owned;
}

}  // namespace aro::win32
