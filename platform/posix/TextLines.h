// Line-based editing of small text files (.reg hives, INI files): lines
// with LF or CRLF ends, ASCII case folding.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace aro::posix {

bool IsBlank(char c);
std::string_view TrimLeft(std::string_view text);
char LowerAscii(char c);
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
// The byte-order mark of UTF-16 little-endian, as regedit's exports begin.
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";

// UTF-16 LE bytes (no byte-order mark) as UTF-8. Never fails: an odd last
// byte is dropped and an unpaired surrogate becomes U+FFFD, so what decodes
// differently from the bytes shows only when the result is encoded again.
std::string Utf16LeToUtf8(std::string_view bytes);
// UTF-8 text as UTF-16 LE bytes (no byte-order mark). False when the text is
// not well-formed UTF-8 (overlong forms, surrogates and code points past
// U+10FFFF included), which has no UTF-16 form.
bool Utf8ToUtf16Le(std::string_view text, std::string* out);

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

}  // namespace aro::posix
