#include "StatusChannel.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace aro::host {

namespace {

int g_statusFd = -1;

// Line breaks inside a value would start a false event.
std::string OneLine(const std::string& text) {
    std::string line = text;
    for (char& c : line)
        if (c == '\n' || c == '\r') c = ' ';
    return line;
}

}  // namespace

bool StatusDescriptorUsable(int fd) {
    if (fd < 0 || fd <= STDERR_FILENO) return false;
    int flags = fcntl(fd, F_GETFL);
    return flags >= 0 && (flags & O_ACCMODE) != O_RDONLY;
}

void OpenStatusChannel(int fd) {
    g_statusFd = fd;
    if (fd >= 0) fcntl(fd, F_SETFD, FD_CLOEXEC);
}

bool StatusChannelOpen() {
    return g_statusFd >= 0;
}

void SendStatus(const std::string& keyword, const std::string& values) {
    if (g_statusFd < 0) return;
    // One write per line: the job's process and aro-print share the
    // descriptor, and a reader must never see two lines interleaved.
    std::string line = keyword + (values.empty() ? "" : " " + OneLine(values)) + "\n";
    const char* p = line.data();
    size_t left = line.size();
    while (left > 0) {
        ssize_t n = write(g_statusFd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;  // a reader that went away must not stop the job
        p += n, left -= static_cast<size_t>(n);
    }
}

const char* OutcomeWord(const JobOutcome& outcome) {
    switch (outcome.result) {
        case JobResult::InputRejected:
            return "rejected";
        case JobResult::ModuleUnavailable:
        case JobResult::Incomplete:
            return "incomplete";
        case JobResult::Crashed:
            return "crashed";
        case JobResult::NoOutputFile:
            return "no-file";
        case JobResult::Printed:
            break;
    }
    return ExitCodeOf(outcome) == kExitRefused ? "refused" : "printed";
}

}  // namespace aro::host
