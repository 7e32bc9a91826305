// The page count of a document before it is rendered: a PDF's from
// poppler's pdfinfo, a PostScript file's from its header comments.
#pragma once

#include <optional>
#include <string>

namespace aro::host {

// The number from the "Pages:" line of pdfinfo's report.
std::optional<size_t> ParsePdfInfoPages(const std::string& report);

// Nothing when pdfinfo is missing or cannot read the file. password opens
// an encrypted file (as owner or user password).
std::optional<size_t> PdfPageCount(const std::string& path, const std::string& password = "");

// The count a PostScript file's header comment promises ("%%Pages: 12");
// nothing without one, or when it is deferred to the trailer ("(atend)").
std::optional<size_t> ParsePostScriptPages(const std::string& header);
std::optional<size_t> PostScriptPageCount(const std::string& path);

// The page count of a PDF or a PostScript file, for the progress line.
std::optional<size_t> DocumentPageCount(const std::string& path, bool isPdf,
                                        const std::string& password);

}  // namespace aro::host
