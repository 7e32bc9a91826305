// Bounded operations on the module's fixed, zero-terminated text buffers.
// Nothing is ever written past a buffer: texts that do not fit are cut.
#pragma once

#include <cstddef>
#include <cstring>
#include <initializer_list>

namespace aro {

// Widths of the module's text fields, terminator included.
constexpr std::size_t kPathSize = 260;  // paths, names, commands (MAX_PATH)
constexpr std::size_t kFlagSize = 50;   // flag and number settings

// Copies src (null counts as empty) into dst of capacity bytes, cutting it
// to capacity - 1 characters. Returns true when nothing was cut.
inline bool CopyText(char* dst, std::size_t capacity, const char* src) {
    if (capacity == 0) return false;
    if (!src) src = "";
    std::size_t n = std::strlen(src);
    bool fits = n < capacity;
    if (!fits) n = capacity - 1;
    std::memmove(dst, src, n);
    dst[n] = '\0';
    return fits;
}

// Appends src to the text in dst, cutting what does not fit.
inline bool AppendText(char* dst, std::size_t capacity, const char* src) {
    std::size_t used = strnlen(dst, capacity);
    if (used >= capacity) return false;
    return CopyText(dst + used, capacity - used, src);
}

template <std::size_t N>
bool CopyText(char (&dst)[N], const char* src) {
    return CopyText(dst, N, src);
}
template <std::size_t N>
bool AppendText(char (&dst)[N], const char* src) {
    return AppendText(dst, N, src);
}

// Joins parts into dst only when the whole result fits; otherwise dst becomes
// the empty text and false is returned. For paths, where a cut-off name
// would point at some other file.
template <std::size_t N>
bool JoinPath(char (&dst)[N], std::initializer_list<const char*> parts) {
    std::size_t total = 0;
    for (const char* p : parts) total += p ? std::strlen(p) : 0;
    if (total >= N) {
        dst[0] = '\0';
        return false;
    }
    char composed[N];
    composed[0] = '\0';
    for (const char* p : parts) AppendText(composed, p);
    std::memcpy(dst, composed, total + 1);
    return true;
}

inline bool TextEquals(const char* a, const char* b) {
    return std::strcmp(a, b) == 0;
}

}  // namespace aro
