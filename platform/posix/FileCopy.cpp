#include "platform/posix/FileCopy.h"

#include "platform/posix/FileDescriptor.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <vector>

namespace aro::posix {

namespace {

constexpr std::size_t kCopyChunkBytes = 64 * 1024;

bool CopyContents(int from, int to) {
    std::vector<char> buffer(kCopyChunkBytes);
    for (;;) {
        const ssize_t got = read(from, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) return true;
        if (!WriteAll(to, buffer.data(), static_cast<std::size_t>(got))) return false;
    }
}

// Opens the target for writing without truncating it yet; *created tells
// whether this call made the file.
int OpenTarget(const char* target, bool failIfExists, mode_t mode, bool* created) {
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC;
    int fd = open(target, flags | O_EXCL, mode);
    *created = fd >= 0;
    if (fd < 0 && errno == EEXIST && !failIfExists) fd = open(target, O_WRONLY | O_CLOEXEC);
    return fd;
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool CopyInto(int sourceFd, const struct stat& sourceInfo, FileDescriptor& target) {
    struct stat targetInfo {};
    if (fstat(target.get(), &targetInfo) != 0 || SameFile(sourceInfo, targetInfo)) return false;
    if (ftruncate(target.get(), 0) != 0) return false;
    return CopyContents(sourceFd, target.get()) && target.CloseChecked();
}

}  // namespace

bool CopyFileBytes(const char* source, const char* target, bool failIfExists) {
    if (source == nullptr || target == nullptr || source[0] == '\0' || target[0] == '\0') {
        return false;
    }
    // O_NONBLOCK: a FIFO at the source path must not stall the open.
    FileDescriptor from(open(source, O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat sourceInfo {};
    if (!from.valid() || fstat(from.get(), &sourceInfo) != 0 || !S_ISREG(sourceInfo.st_mode)) {
        return false;
    }
    bool created = false;
    FileDescriptor to(OpenTarget(target, failIfExists, sourceInfo.st_mode & 0777, &created));
    if (!to.valid()) return false;
    if (CopyInto(from.get(), sourceInfo, to)) return true;
    if (created) unlink(target);
    return false;
}

}  // namespace aro::posix
