// Whether a TIFF file a job wrote can be read back whole.
#pragma once

#include <string>

namespace aro::bench {

// The number of pages of a TIFF file when every strip of every page
// decodes; -1 when the file cannot be opened or any strip fails.
int ReadableTiffPages(const std::string& path);

}  // namespace aro::bench
