#include "platform/posix/VersionFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/VersionResource.h"

namespace aro::posix {

namespace {

constexpr std::size_t kMarkerBytes = sizeof(kVersionMarker);
static_assert(kMarkerBytes == 16, "the marker is 15 characters and its terminator");
constexpr std::size_t kRecordBytes = kMarkerBytes + 13 * sizeof(uint32_t);
// A record starting in the last kCarryBytes of a chunk is checked with the
// next one.
constexpr std::size_t kCarryBytes = kRecordBytes - 1;

uint32_t LittleEndianWord(const unsigned char* bytes) {
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

// The marker, signature and structure version are compared one field at a
// time, so this code never holds them side by side and cannot be mistaken
// for the record it looks for.
bool DecodeRecord(const unsigned char* record, uint16_t parts[4]) {
    const unsigned char* info = record + kMarkerBytes;
    if (LittleEndianWord(info) != kFixedFileInfoSignature) return false;
    if (LittleEndianWord(info + 4) != kFixedFileInfoStrucVersion) return false;
    const uint32_t versionMs = LittleEndianWord(info + 8);
    const uint32_t versionLs = LittleEndianWord(info + 12);
    parts[0] = static_cast<uint16_t>(versionMs >> 16);
    parts[1] = static_cast<uint16_t>(versionMs & 0xFFFF);
    parts[2] = static_cast<uint16_t>(versionLs >> 16);
    parts[3] = static_cast<uint16_t>(versionLs & 0xFFFF);
    return true;
}

// Looks for a valid record starting in [0, size - kRecordBytes].
bool ScanWindow(const unsigned char* window, std::size_t size, uint16_t parts[4]) {
    std::size_t from = 0;
    while (from + kRecordBytes <= size) {
        const void* hit = memmem(window + from, size - from, kVersionMarker, kMarkerBytes);
        if (hit == nullptr) return false;
        const auto at = static_cast<std::size_t>(static_cast<const unsigned char*>(hit) - window);
        if (at + kRecordBytes > size) return false;
        if (DecodeRecord(window + at, parts)) return true;
        from = at + 1;
    }
    return false;
}

// Fills as much of the buffer as the file still has. -1 on a read error.
ssize_t ReadFully(int fd, unsigned char* buffer, std::size_t wanted) {
    std::size_t done = 0;
    while (done < wanted) {
        const ssize_t got = read(fd, buffer + done, wanted - done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return -1;
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    return static_cast<ssize_t>(done);
}

bool ScanFile(int fd, std::size_t chunkBytes, uint16_t parts[4]) {
    std::vector<unsigned char> window(kCarryBytes + chunkBytes);
    std::size_t carried = 0;
    for (;;) {
        const ssize_t got = ReadFully(fd, window.data() + carried, chunkBytes);
        if (got <= 0) return false;
        const std::size_t filled = carried + static_cast<std::size_t>(got);
        if (ScanWindow(window.data(), filled, parts)) return true;
        carried = filled < kCarryBytes ? filled : kCarryBytes;
        std::memmove(window.data(), window.data() + filled - carried, carried);
    }
}

}  // namespace

bool ReadEmbeddedFileVersion(const char* path, uint16_t parts[4], std::size_t chunkBytes) {
    if (path == nullptr || parts == nullptr || chunkBytes == 0) return false;
    // O_NONBLOCK keeps a FIFO planted at the path from stalling the open.
    const int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat info {};
    uint16_t found[4] = {};
    const bool ok =
        fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ScanFile(fd, chunkBytes, found);
    close(fd);
    if (ok) std::memcpy(parts, found, sizeof(found));
    return ok;
}

}  // namespace aro::posix
