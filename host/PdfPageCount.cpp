#include "PdfPageCount.h"

#include <cstdint>
#include <cstdio>
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

std::optional<size_t> PdfPageCount(const std::string& path, const std::string& password) {
    std::string report, error;
    // Its complaints about a damaged file are Ghostscript's to make.
    ChildProgram::Streams streams;
    streams.discardErrors = true;
    std::vector<std::string> argv = {"pdfinfo"};
    if (!password.empty()) argv.insert(argv.end(), {"-upw", password});
    argv.push_back(AsOperand(path));
    if (RunProgram(argv, streams, &report, &error) != 0) return std::nullopt;
    return ParsePdfInfoPages(report);
}

std::optional<size_t> ParsePostScriptPages(const std::string& header) {
    std::istringstream lines(header);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        // The header comments end at the first line that is not a comment.
        if (line.rfind("%", 0) != 0 || line.rfind("%%EndComments", 0) == 0) break;
        if (line.rfind("%%Pages:", 0) != 0) continue;
        std::istringstream value(line.substr(8));
        size_t pages = 0;
        return value >> pages ? std::optional<size_t>(pages) : std::nullopt;
    }
    return std::nullopt;
}

std::optional<size_t> PostScriptPageCount(const std::string& path) {
    constexpr size_t kHeaderBytes = 16384;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return std::nullopt;
    std::string header(kHeaderBytes, '\0');
    header.resize(std::fread(header.data(), 1, header.size(), file));
    // A DOS EPS file names where its PostScript begins.
    if (header.size() >= 8 && header.compare(0, 4, "\xC5\xD0\xD3\xC6") == 0) {
        const auto* b = reinterpret_cast<const unsigned char*>(header.data());
        uint32_t start = b[4] | b[5] << 8 | b[6] << 16 | static_cast<uint32_t>(b[7]) << 24;
        header.resize(std::fseek(file, static_cast<long>(start), SEEK_SET) == 0
                          ? std::fread(header.data(), 1, header.size(), file)
                          : 0);
    }
    std::fclose(file);
    return ParsePostScriptPages(header);
}

std::optional<size_t> DocumentPageCount(const std::string& path, bool isPdf,
                                        const std::string& password) {
    return isPdf ? PdfPageCount(path, password) : PostScriptPageCount(path);
}

}  // namespace aro::host
