// One line of aro-print's --status-fd output, taken apart.
#pragma once

#include <string>

namespace aro::printerapp {

struct StatusLine {
    enum class Kind { Unknown, Pages, Page, Refused, File, Error, Outcome };
    Kind kind = Kind::Unknown;
    long number = 0;   // pages: the total; page, refused: the page
    long value = 0;    // refused: the module's status; outcome: the exit code
    std::string text;  // file: the path; error: the message; outcome: the word
};

// Unknown for a line that is not one of aro-print's events, or whose
// numbers are missing or malformed.
StatusLine ParseStatusLine(const std::string& line);

}  // namespace aro::printerapp
