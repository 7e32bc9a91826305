// Why a document gave no page at all: for a PDF, a password it needs (or
// that was wrong) is told apart from a file too damaged to read.
#pragma once

#include <string>

#include "InputType.h"

namespace aro::host {

// True when the PDF's bytes name an /Encrypt dictionary: a trailer or a
// cross-reference stream is never compressed, so the key is always there
// in plain text.
bool PdfIsEncrypted(const std::string& path);

std::string NoPageReason(const std::string& path, InputType type, bool passwordGiven);

}  // namespace aro::host
