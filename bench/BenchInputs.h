// The bench's inputs: its PostScript documents rendered once by Ghostscript
// into a cache folder, and the pages loaded in the module's band layout.
#pragma once

#include <string>

#include "PrintBitmap.h"

namespace aro::bench {

constexpr int kBenchDpi = 300;
constexpr unsigned kBandRows = 256;

struct BenchInputs {
    std::string textPdf;           // the dense text document, for the end-to-end runs
    std::string linkedPdf;         // the manual with blue links, for --auto
    std::string monoLetterhead;    // Group 4 letterhead, first-page design
    std::string colourLetterhead;  // RGB letterhead, first-page design
    host::PrintBitmap textPage;    // page 1 of the text document, 1 bit per pixel
    host::PrintBitmap colourPage;  // the colour document, 24 bits per pixel
};

// Writes the documents into cacheDir and renders what is missing there (a
// changed document is rendered again). letterheadSource is the PostScript
// letterhead of the examples. False with error set on any failure.
bool PrepareInputs(const std::string& cacheDir, const std::string& letterheadSource,
                   BenchInputs* inputs, std::string* error);

}  // namespace aro::bench
