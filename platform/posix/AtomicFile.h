// Whole-file reads and atomic replacement of small files, and the folder
// and lock helpers they need.
#pragma once

#include <sys/stat.h>

#include <chrono>
#include <string>
#include <string_view>

namespace aro::posix {

enum class FileReadResult { Read, Missing, Failed };

// Reads a regular file whole and, when info is given, its status. Anything
// other than a regular file (a folder, a FIFO that would block) is Failed.
FileReadResult ReadRegularFile(const std::string& path, std::string* text,
                               struct stat* info = nullptr);

// Replaces the file at path by one holding text: a private temporary file
// in the same folder is written, synced and renamed over it, so that a
// reader sees the old or the new file, never a part. The new file gets the
// mode and owner of oldInfo when given (and possible), else 0666 less the
// umask. False, with no temporary file left, on any failure.
bool ReplaceFileAtomically(const std::string& path, std::string_view text,
                           const struct stat* oldInfo);

// The folder part of a path ("" for a bare name, "/" for the root).
std::string FolderOf(const std::string& path);
// mkdir -p; true when the folder exists afterwards.
bool MakeFolders(const std::string& folder);

// An exclusive flock() on a file of its own: a file that is replaced by
// rename() cannot carry its own lock. The lock file is created 0600 (an
// existing one of ours is made 0600), so that other users cannot open it to
// hold its lock.
class LockFile {
public:
    LockFile() = default;
    LockFile(const LockFile&) = delete;
    LockFile& operator=(const LockFile&) = delete;
    ~LockFile();
    // Waits at most wait for the lock, never blocking: false when the lock
    // is still held by another open file after that time, or the file cannot
    // be opened. Held until destruction.
    bool Acquire(const std::string& path, std::chrono::milliseconds wait);

private:
    int m_fd = -1;
};

}  // namespace aro::posix
