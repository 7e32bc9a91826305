#include "StandardInput.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace aro::host {

namespace {

// As much as a PDF header may lie behind.
constexpr size_t kHeadBytes = 1024;

unsigned char s_head[kHeadBytes];
size_t s_headLength = 0;
size_t s_headServed = 0;

ssize_t ReadInput(void*, char* buffer, size_t size) {
    if (s_headServed < s_headLength) {
        size_t n = std::min(size, s_headLength - s_headServed);
        std::memcpy(buffer, s_head + s_headServed, n);
        s_headServed += n;
        return static_cast<ssize_t>(n);
    }
    // EINTR is passed on: a signal that arrives while we wait means stop.
    return read(STDIN_FILENO, buffer, size);
}

}  // namespace

InputType PeekStandardInputType(std::string* error) {
    s_headLength = s_headServed = 0;  // standard input named twice: what is left
    while (s_headLength < kHeadBytes) {
        ssize_t n = read(STDIN_FILENO, s_head + s_headLength, kHeadBytes - s_headLength);
        if (n == 0) break;
        if (n < 0) {
            *error = errno == EINTR
                         ? "interrupted while reading standard input"
                         : std::string("cannot read standard input: ") + std::strerror(errno);
            return InputType::Unknown;
        }
        s_headLength += static_cast<size_t>(n);
    }
    InputType type = DetectInputType(s_head, s_headLength);
    if (type == InputType::Unknown)
        *error = s_headLength == 0 ? "empty file" : "not a PDF, PostScript, PNM or TIFF file";
    return type;
}

std::FILE* StandardInputStream() {
    static std::FILE* stream =
        fopencookie(nullptr, "rb", cookie_io_functions_t{&ReadInput, nullptr, nullptr, nullptr});
    return stream;
}

}  // namespace aro::host
