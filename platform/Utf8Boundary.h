// Cutting UTF-8 text between characters (POSIX names are UTF-8).
#pragma once

#include <cstddef>

namespace aro {

// Bytes of the sequence a UTF-8 lead byte starts; 0 for a continuation byte
// or a byte that starts nothing.
inline std::size_t Utf8SequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

// length, or the start of a sequence that length would cut short. Bytes that
// are not UTF-8 are left as they are: they are nobody's characters to keep.
inline std::size_t Utf8BoundaryAtOrBefore(const char* text, std::size_t length) {
    constexpr std::size_t kLongestSequence = 4;
    std::size_t start = length;
    while (start > 0 && length - start < kLongestSequence) {
        --start;
        if ((static_cast<unsigned char>(text[start]) & 0xC0) != 0x80) break;
    }
    if (start == length) return length;
    const std::size_t needed = Utf8SequenceLength(static_cast<unsigned char>(text[start]));
    return needed == 0 || start + needed <= length ? length : start;
}

}  // namespace aro
