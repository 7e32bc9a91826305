#include "InputType.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace aro::host {

namespace {

// A PDF header may follow some junk; readers look for it in the first 1024
// bytes.
constexpr size_t kPdfHeaderWindow = 1024;

bool StartsWith(const unsigned char* head, size_t length, const char* magic, size_t size) {
    return length >= size && std::memcmp(head, magic, size) == 0;
}

bool IsPdf(const unsigned char* head, size_t length) {
    size_t window = length < kPdfHeaderWindow ? length : kPdfHeaderWindow;
    for (size_t i = 0; i + 5 <= window; ++i)
        if (std::memcmp(head + i, "%PDF-", 5) == 0) return true;
    return false;
}

bool IsPnm(const unsigned char* head, size_t length) {
    return length >= 3 && head[0] == 'P' && (head[1] == '4' || head[1] == '5' || head[1] == '6') &&
           std::strchr(" \t\r\n#", head[2]) != nullptr && head[2] != '\0';
}

bool IsTiff(const unsigned char* head, size_t length) {
    return StartsWith(head, length, "II*\0", 4) || StartsWith(head, length, "MM\0*", 4) ||
           StartsWith(head, length, "II+\0", 4) || StartsWith(head, length, "MM\0+", 4);
}

bool IsPostScript(const unsigned char* head, size_t length) {
    // Plain PostScript, or the binary header of a DOS EPS file.
    return StartsWith(head, length, "%!", 2) || StartsWith(head, length, "\xC5\xD0\xD3\xC6", 4);
}

}  // namespace

const char* InputTypeName(InputType type) {
    switch (type) {
        case InputType::Pdf:
            return "PDF";
        case InputType::PostScript:
            return "PostScript";
        case InputType::Pnm:
            return "PNM";
        case InputType::Tiff:
            return "TIFF";
        case InputType::Unknown:
            break;
    }
    return "unknown";
}

InputType DetectInputType(const unsigned char* head, size_t length) {
    if (IsPnm(head, length)) return InputType::Pnm;
    if (IsTiff(head, length)) return InputType::Tiff;
    if (IsPostScript(head, length)) return InputType::PostScript;
    if (IsPdf(head, length)) return InputType::Pdf;
    return InputType::Unknown;
}

InputProbe ProbeInput(const std::string& path) {
    InputProbe probe;
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        probe.error = std::strerror(errno);
        return probe;
    }
    struct stat st;
    unsigned char head[kPdfHeaderWindow];
    ssize_t length = -1;
    if (fstat(fd, &st) != 0)
        probe.error = std::strerror(errno);
    else if (!S_ISREG(st.st_mode))
        probe.error = "not a regular file";
    else if ((length = read(fd, head, sizeof head)) < 0)
        probe.error = std::strerror(errno);
    close(fd);
    if (!probe.error.empty()) return probe;
    probe.readable = true;
    probe.type = DetectInputType(head, static_cast<size_t>(length));
    if (probe.type == InputType::Unknown)
        probe.error = length == 0 ? "empty file" : "not a PDF, PostScript, PNM or TIFF file";
    return probe;
}

}  // namespace aro::host
