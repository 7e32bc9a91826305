#include "platform/posix/TextLines.h"

namespace aro::posix {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

std::string_view TrimLeft(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    return text;
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string_view TrimBlanks(std::string_view text) {
    text = TrimLeft(text);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    }
    return true;
}

bool HasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

bool NextTextLine(std::string_view text, std::size_t* position, TextLine* line) {
    if (*position >= text.size()) return false;
    line->begin = *position;
    const std::size_t newline = text.find('\n', *position);
    if (newline == std::string_view::npos) {
        line->contentEnd = line->end = text.size();
    } else {
        line->end = newline + 1;
        line->contentEnd =
            (newline > line->begin && text[newline - 1] == '\r') ? newline - 1 : newline;
    }
    *position = line->end;
    return true;
}

std::string_view LineEndOf(std::string_view text) {
    const std::size_t newline = text.find('\n');
    return (newline != std::string_view::npos && newline > 0 && text[newline - 1] == '\r') ? "\r\n"
                                                                                           : "\n";
}

std::string WithLineInserted(std::string_view text, std::size_t at, std::string_view line,
                             std::string_view lineEnd) {
    std::string result(text.substr(0, at));
    if (!result.empty() && result.back() != '\n') result += lineEnd;
    result += line;
    result += lineEnd;
    result += text.substr(at);
    return result;
}

std::string WithBlankLineAtEnd(std::string_view text, std::string_view lineEnd) {
    std::string result(text);
    if (result.empty()) return result;
    if (result.back() != '\n') result += lineEnd;
    const std::string_view withoutEnd = std::string_view(result).substr(0, result.size() - 1);
    const std::size_t lastLineStart = withoutEnd.rfind('\n');
    const std::string_view lastLine =
        withoutEnd.substr(lastLineStart == std::string_view::npos ? 0 : lastLineStart + 1);
    if (!TrimBlanks(lastLine).empty()) result += lineEnd;
    return result;
}

}  // namespace aro::posix
