// The document's text, written where the module asked for it.
#pragma once

#include <string>

#include "InputType.h"

namespace aro::host {

// A PDF's text through pdftotext (layout kept), a PostScript file's
// through the PDF Ghostscript makes of it; images get an empty file. On
// failure the file is still left there, empty, and error says why.
// password opens an encrypted PDF.
bool WriteDocumentText(const std::string& input, InputType type, const std::string& textFile,
                       const std::string& password, std::string* error);

}  // namespace aro::host
