#include "SpooledInput.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace aro::host {

namespace {

std::string TemporaryFolder() {
    const char* folder = std::getenv("TMPDIR");
    return folder && *folder ? folder : "/tmp";
}

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = write(fd, data, size);
        if (n < 0) return false;
        data += n, size -= static_cast<size_t>(n);
    }
    return true;
}

// Copies until the end of input; errno tells why when it returns false.
bool Copy(std::FILE* from, int to) {
    std::vector<char> buffer(1 << 16);
    for (;;) {
        size_t n = std::fread(buffer.data(), 1, buffer.size(), from);
        if (n > 0 && !WriteAll(to, buffer.data(), n)) return false;
        // EINTR is a signal the user sent to stop: not retried.
        if (n < buffer.size()) return !std::ferror(from);
    }
}

}  // namespace

SpooledInput::~SpooledInput() {
    Remove();
}

void SpooledInput::Remove() {
    if (!m_path.empty()) unlink(m_path.c_str());
    m_path.clear();
}

bool SpooledInput::Fill(std::FILE* from, std::string* error) {
    Remove();
    std::string pattern = TemporaryFolder() + "/aro-print-stdin-XXXXXX";
    int file = mkostemp(pattern.data(), O_CLOEXEC);
    if (file < 0) {
        *error =
            "cannot make a temporary file in " + TemporaryFolder() + ": " + std::strerror(errno);
        return false;
    }
    m_path = pattern;
    errno = 0;
    bool copied = Copy(from, file);
    int reason = errno;
    if (close(file) != 0 && copied) copied = false, reason = errno;
    if (copied) return true;
    *error = reason == EINTR ? "interrupted while reading standard input"
                             : std::string("cannot keep standard input: ") + std::strerror(reason);
    Remove();
    return false;
}

}  // namespace aro::host
