#include "PdfPageCount.h"

#include <sstream>

#include "ChildProgram.h"

namespace aro::host {

std::optional<size_t> ParsePdfInfoPages(const std::string& report) {
    std::istringstream lines(report);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("Pages:", 0) != 0) continue;
        std::istringstream value(line.substr(6));
        size_t pages = 0;
        if (value >> pages) return pages;
    }
    return std::nullopt;
}

std::optional<size_t> PdfPageCount(const std::string& path) {
    std::string report, error;
    // Its complaints about a damaged file are Ghostscript's to make.
    ChildProgram::Streams streams;
    streams.discardErrors = true;
    if (RunProgram({"pdfinfo", AsOperand(path)}, streams, &report, &error) != 0)
        return std::nullopt;
    return ParsePdfInfoPages(report);
}

}  // namespace aro::host
