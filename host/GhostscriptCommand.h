// The command line of a Ghostscript that renders a document into a pipe.
#pragma once

#include <string>
#include <vector>

#include "PageSource.h"

namespace aro::host {

// gs rendering path with device (ppmraw, pbmraw) at dpi to standard output;
// options (a page list, anti-aliasing) go before the document.
std::vector<std::string> GhostscriptCommand(const std::string& path, const RenderSettings& settings,
                                            const std::string& device, int dpi,
                                            const std::vector<std::string>& options = {});

// gs rendering with device at dpi to standard output the PostScript
// program it reads from standard input, which is read as a file (in
// blocks), not line by line as an interactive session.
std::vector<std::string> GhostscriptReadingInput(const std::string& device, int dpi,
                                                 const std::vector<std::string>& options = {});

// What a Ghostscript that ended with status (negative: by a signal) did.
std::string GhostscriptFailure(int status);

}  // namespace aro::host
