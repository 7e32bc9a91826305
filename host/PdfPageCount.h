// The page count of a PDF file, asked of poppler's pdfinfo.
#pragma once

#include <optional>
#include <string>

namespace aro::host {

// The number from the "Pages:" line of pdfinfo's report.
std::optional<size_t> ParsePdfInfoPages(const std::string& report);

// Nothing when pdfinfo is missing or cannot read the file.
std::optional<size_t> PdfPageCount(const std::string& path);

}  // namespace aro::host
