#include "platform/posix/TextLines.h"

#include <cstdint>

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

namespace {

void AppendUtf8(uint32_t code, std::string* out) {
    if (code < 0x80) {
        out->push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (code >> 6)));
        out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out->push_back(static_cast<char>(0xE0 | (code >> 12)));
        out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xF0 | (code >> 18)));
        out->push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

void AppendUtf16Le(uint32_t unit, std::string* out) {
    out->push_back(static_cast<char>(unit & 0xFF));
    out->push_back(static_cast<char>(unit >> 8));
}

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

}  // namespace

std::string Utf16LeToUtf8(std::string_view bytes) {
    constexpr uint32_t kReplacement = 0xFFFD;
    std::string text;
    text.reserve(bytes.size() / 2 + bytes.size() / 8);
    const std::size_t units = bytes.size() / 2;
    auto unitAt = [&](std::size_t i) {
        return static_cast<uint32_t>(static_cast<unsigned char>(bytes[2 * i])) |
               static_cast<uint32_t>(static_cast<unsigned char>(bytes[2 * i + 1])) << 8;
    };
    for (std::size_t i = 0; i < units; ++i) {
        const uint32_t unit = unitAt(i);
        if (unit < 0xD800 || unit > 0xDFFF) {
            AppendUtf8(unit, &text);
        } else if (unit <= 0xDBFF && i + 1 < units && unitAt(i + 1) >= 0xDC00 &&
                   unitAt(i + 1) <= 0xDFFF) {
            AppendUtf8(0x10000 + ((unit - 0xD800) << 10) + (unitAt(i + 1) - 0xDC00), &text);
            ++i;
        } else {
            AppendUtf8(kReplacement, &text);
        }
    }
    return text;
}

bool Utf8ToUtf16Le(std::string_view text, std::string* out) {
    out->clear();
    out->reserve(text.size() * 2);
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        uint32_t code = 0;
        uint32_t least = 0;
        if (lead < 0x80) {
            length = 1;
            code = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
            code = lead & 0x1F;
            least = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            code = lead & 0x0F;
            least = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            code = lead & 0x07;
            least = 0x10000;
        } else {
            return false;
        }
        if (text.size() - i < length) return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto byte = static_cast<unsigned char>(text[i + k]);
            if (!IsContinuation(byte)) return false;
            code = (code << 6) | (byte & 0x3F);
        }
        if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        if (code < 0x10000) {
            AppendUtf16Le(code, out);
        } else {
            AppendUtf16Le(0xD800 + ((code - 0x10000) >> 10), out);
            AppendUtf16Le(0xDC00 + ((code - 0x10000) & 0x3FF), out);
        }
        i += length;
    }
    return true;
}

}  // namespace aro::posix
