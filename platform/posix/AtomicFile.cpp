#include "platform/posix/AtomicFile.h"

#include "platform/posix/FileDescriptor.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#ifdef __linux__
#include <sys/inotify.h>
#endif
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>

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
    if (m_fd < 0) return;
    // Unlocked before the close, whose notification wakes the waiting writers
    // (the close itself reports before it drops the lock).
    flock(m_fd, LOCK_UN);
    close(m_fd);
}

namespace {

// Waits until the deadline or until some process closes the watched lock
// file (a writer giving the lock up), whichever is first; without a watch,
// for a short pause. An interruption only ends one wait early.
void AwaitLockRelease(int watch, std::chrono::steady_clock::time_point deadline) {
    constexpr std::chrono::milliseconds kLongestPause(10);
    const auto left = std::chrono::duration_cast<std::chrono::microseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return;
    const std::chrono::microseconds pause =
        std::min<std::chrono::microseconds>(left, kLongestPause);
    if (watch >= 0) {
        struct pollfd ready = {watch, POLLIN, 0};
        const auto milliseconds = static_cast<int>((pause.count() + 999) / 1000);
        if (poll(&ready, 1, milliseconds) > 0) {
            char events[4096];
            while (read(watch, events, sizeof(events)) > 0) {
            }
        }
        return;
    }
    const struct timespec span = {static_cast<time_t>(pause.count() / 1000000),
                                  static_cast<long>(pause.count() % 1000000 * 1000)};
    nanosleep(&span, nullptr);
}

// A descriptor that turns readable whenever a process closes the lock file
// (inotify, on Linux); -1 elsewhere, where the pauses alone pace the tries.
int WatchCloses(const std::string& path) {
#ifdef __linux__
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watch >= 0 &&
        inotify_add_watch(watch, path.c_str(), IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) < 0) {
        close(watch);
        return -1;
    }
    return watch;
#else
    (void)path;
    return -1;
#endif
}

}  // namespace

bool LockFile::Acquire(const std::string& path, std::chrono::milliseconds wait) {
    if (m_fd >= 0) return false;
    m_fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0600);
    if (m_fd < 0) m_fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (m_fd < 0) return false;
    // A lock file left open to others by an earlier version: whoever can
    // open it can hold its lock.
    struct stat info {};
    if (fstat(m_fd, &info) == 0 && info.st_uid == geteuid() && (info.st_mode & 077) != 0) {
        fchmod(m_fd, info.st_mode & 0700);
    }
    if (flock(m_fd, LOCK_EX | LOCK_NB) == 0) return true;
    // flock() has no time limit of its own: it is tried without blocking
    // until the deadline, again whenever the lock file is closed (watched
    // with inotify, so that a waiting writer does not miss its turn).
    const auto deadline = std::chrono::steady_clock::now() + wait;
    const FileDescriptor watch(WatchCloses(path));
    for (;;) {
        if (flock(m_fd, LOCK_EX | LOCK_NB) == 0) return true;
        if (errno != EWOULDBLOCK && errno != EINTR) break;
        if (std::chrono::steady_clock::now() >= deadline) break;
        AwaitLockRelease(watch.get(), deadline);
    }
    close(m_fd);
    m_fd = -1;
    return false;
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
