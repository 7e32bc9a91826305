#include "platform/posix/AtomicFile.h"

#include "platform/posix/FileDescriptor.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace aro::posix {

namespace {

// umask() can only be read by changing it, which races with other threads.
mode_t CurrentUmask() {
    std::string status;
    if (ReadRegularFile("/proc/self/status", &status) == FileReadResult::Read) {
        const std::size_t at = status.find("\nUmask:");
        if (at != std::string::npos) {
            return static_cast<mode_t>(std::strtoul(status.c_str() + at + 7, nullptr, 8) & 0777);
        }
    }
    return 022;
}

void GiveModeAndOwner(int fd, const struct stat* oldInfo) {
    if (oldInfo == nullptr) {
        fchmod(fd, 0666 & ~CurrentUmask());
        return;
    }
    // Owner first: a change of owner clears set-id bits that fchmod restores.
    if (fchown(fd, oldInfo->st_uid, oldInfo->st_gid) != 0) {
        // Not ours to give away: the file stays with the writing user.
    }
    fchmod(fd, oldInfo->st_mode & 07777);
}

void SyncFolder(const std::string& folder) {
    const FileDescriptor fd(
        open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() >= 0) fsync(fd.get());
}

}  // namespace

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {};
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

static bool IsFolder(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// mkdir -p. Errors on the way are left to the final check.
bool MakeFolders(const std::string& folder) {
    if (folder.empty() || IsFolder(folder)) return true;
    for (std::size_t slash = folder.find('/', 1); slash != std::string::npos;
         slash = folder.find('/', slash + 1)) {
        mkdir(folder.substr(0, slash).c_str(), 0777);
    }
    mkdir(folder.c_str(), 0777);
    return IsFolder(folder);
}

LockFile::~LockFile() {
    if (fd_ >= 0) close(fd_);
}

bool LockFile::Acquire(const std::string& path) {
    fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0666);
    if (fd_ < 0) fd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd_ < 0) return false;
    while (flock(fd_, LOCK_EX) != 0) {
        if (errno != EINTR) return false;
    }
    return true;
}

FileReadResult ReadRegularFile(const std::string& path, std::string* text, struct stat* info) {
    const FileDescriptor fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd.get() < 0) return errno == ENOENT ? FileReadResult::Missing : FileReadResult::Failed;
    struct stat status {};
    if (fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode)) return FileReadResult::Failed;
    text->clear();
    text->reserve(static_cast<std::size_t>(status.st_size));
    char buffer[16384];
    for (;;) {
        const ssize_t count = read(fd.get(), buffer, sizeof(buffer));
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) return FileReadResult::Failed;
        if (count == 0) break;
        text->append(buffer, static_cast<std::size_t>(count));
    }
    if (info != nullptr) *info = status;
    return FileReadResult::Read;
}

bool ReplaceFileAtomically(const std::string& path, std::string_view text,
                           const struct stat* oldInfo) {
    const std::size_t slash = path.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    if (nameStart >= path.size()) return false;
    std::string temporary = path.substr(0, nameStart) + "." + path.substr(nameStart) + ".XXXXXX";
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);  // private: mode 0600
    if (fd < 0) return false;
    GiveModeAndOwner(fd, oldInfo);
    bool stored = WriteAll(fd, text.data(), text.size()) && fsync(fd) == 0;
    if (close(fd) != 0) stored = false;
    if (stored && rename(temporary.c_str(), path.c_str()) != 0) stored = false;
    if (!stored) {
        unlink(temporary.c_str());
        return false;
    }
    SyncFolder(FolderOf(path));
    return true;
}

}  // namespace aro::posix
