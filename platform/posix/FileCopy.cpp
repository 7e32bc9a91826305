#include "platform/posix/FileCopy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <vector>

namespace aro::posix {

namespace {

constexpr std::size_t kCopyChunkBytes = 64 * 1024;

// Closes the descriptor when it goes out of scope.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd_ >= 0) close(fd_);
    }
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes now, reporting the result: a deferred write error shows here.
    bool CloseChecked() {
        const int fd = fd_;
        fd_ = -1;
        return close(fd) == 0;
    }

private:
    int fd_;
};

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = write(fd, data, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

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

bool CopyInto(int sourceFd, const struct stat& sourceInfo, Descriptor& target) {
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
    Descriptor from(open(source, O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat sourceInfo {};
    if (!from.valid() || fstat(from.get(), &sourceInfo) != 0 || !S_ISREG(sourceInfo.st_mode)) {
        return false;
    }
    bool created = false;
    Descriptor to(OpenTarget(target, failIfExists, sourceInfo.st_mode & 0777, &created));
    if (!to.valid()) return false;
    if (CopyInto(from.get(), sourceInfo, to)) return true;
    if (created) unlink(target);
    return false;
}

}  // namespace aro::posix
