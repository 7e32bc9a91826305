#include "StatusLine.h"

#include <cerrno>
#include <cstdlib>

namespace aro::printerapp {

namespace {

// A whole signed decimal number, nothing before or after it.
bool ParseLong(const std::string& text, long* value) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    long parsed = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || text[0] == ' ' || text[0] == '+') return false;
    *value = parsed;
    return true;
}

// Splits "first rest" at the first space; rest is empty without one.
void SplitWord(const std::string& text, std::string* first, std::string* rest) {
    size_t space = text.find(' ');
    *first = text.substr(0, space);
    *rest = space == std::string::npos ? "" : text.substr(space + 1);
}

StatusLine Unknown() {
    return StatusLine{};
}

StatusLine TwoNumbers(StatusLine::Kind kind, const std::string& values) {
    std::string first, second;
    SplitWord(values, &first, &second);
    StatusLine line;
    if (!ParseLong(first, &line.number) || !ParseLong(second, &line.value)) return Unknown();
    line.kind = kind;
    return line;
}

}  // namespace

StatusLine ParseStatusLine(const std::string& text) {
    std::string keyword, values;
    SplitWord(text, &keyword, &values);
    StatusLine line;
    if (keyword == "pages" || keyword == "page") {
        if (!ParseLong(values, &line.number) || line.number < 0) return Unknown();
        line.kind = keyword == "pages" ? StatusLine::Kind::Pages : StatusLine::Kind::Page;
    } else if (keyword == "refused") {
        return TwoNumbers(StatusLine::Kind::Refused, values);
    } else if (keyword == "file" || keyword == "error") {
        if (values.empty()) return Unknown();
        line.kind = keyword == "file" ? StatusLine::Kind::File : StatusLine::Kind::Error;
        line.text = values;
    } else if (keyword == "outcome") {
        std::string code;
        SplitWord(values, &line.text, &code);
        if (line.text.empty() || !ParseLong(code, &line.value)) return Unknown();
        line.kind = StatusLine::Kind::Outcome;
    }
    return line;
}

}  // namespace aro::printerapp
