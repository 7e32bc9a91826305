// The TIFF files the exit module writes during a job. The module writes
// through the same libtiff as the host, and libtiff calls its tag extender
// whenever it sets up a directory, also for a file just opened for writing:
// that is where the host learns the names, whatever settings chose them.
#pragma once

#include <string>
#include <vector>

namespace aro::host {

class WrittenTiffFiles {
public:
    // Installs the extender; one watch at a time per process.
    WrittenTiffFiles();
    ~WrittenTiffFiles();
    WrittenTiffFiles(const WrittenTiffFiles&) = delete;
    WrittenTiffFiles& operator=(const WrittenTiffFiles&) = delete;

    // Files opened for writing so far, in order, each once.
    const std::vector<std::string>& names() const;
};

// The pages of a TIFF file (its directories); 0 when it cannot be read.
unsigned CountTiffPages(const std::string& path);

}  // namespace aro::host
