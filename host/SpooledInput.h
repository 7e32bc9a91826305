// A document read from standard input. Renderers, the page count and the
// text extraction each read the document on their own, some more than once,
// so the stream is kept in a private temporary file for the job's life.
#pragma once

#include <cstdio>
#include <string>

namespace aro::host {

class SpooledInput {
public:
    SpooledInput() = default;
    ~SpooledInput();  // removes the file
    SpooledInput(const SpooledInput&) = delete;
    SpooledInput& operator=(const SpooledInput&) = delete;

    // Copies everything readable from a stream into a new file (mode 0600)
    // in TMPDIR, else /tmp. False with error set when that fails or a signal
    // interrupts it; nothing is left behind then.
    bool Fill(std::FILE* from, std::string* error);

    const std::string& path() const { return m_path; }

private:
    void Remove();

    std::string m_path;
};

}  // namespace aro::host
