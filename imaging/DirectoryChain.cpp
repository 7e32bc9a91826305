#include "imaging/DirectoryChain.h"

#include <cstdio>

namespace aro {

namespace {

constexpr uint64_t kFirstDirectoryPointer = 4;
constexpr uint64_t kEntryBytes = 12;

// Classic TIFF offsets reach 4 GiB, beyond a 32-bit long.
bool SeekTo(std::FILE* file, uint64_t offset) {
#ifdef _WIN32
    return _fseeki64(file, static_cast<long long>(offset), SEEK_SET) == 0;
#else
    return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

uint64_t FileSize(std::FILE* file) {
#ifdef _WIN32
    if (_fseeki64(file, 0, SEEK_END) != 0) return 0;
    return static_cast<uint64_t>(_ftelli64(file));
#else
    if (fseeko(file, 0, SEEK_END) != 0) return 0;
    return static_cast<uint64_t>(ftello(file));
#endif
}

class ClassicTiff {
public:
    explicit ClassicTiff(std::FILE* file) : m_file(file), m_size(FileSize(file)) {}

    bool ReadByteOrder() {
        unsigned char header[4];
        if (!ReadAt(0, header, 4)) return false;
        m_bigEndian = header[0] == 'M';
        return (header[0] == 'I' || header[0] == 'M') && header[0] == header[1];
    }

    // The offset of the field that points past the directory at `directory`.
    bool NextPointerOf(uint64_t directory, uint64_t* field) {
        unsigned char count[2];
        if (directory < 8 || !ReadAt(directory, count, 2)) return false;
        *field = directory + 2 + kEntryBytes * Number(count, 2);
        return *field + 4 <= m_size;
    }

    bool ReadPointer(uint64_t field, uint64_t* value) {
        unsigned char bytes[4];
        if (!ReadAt(field, bytes, 4)) return false;
        *value = Number(bytes, 4);
        return true;
    }

    bool ClearPointer(uint64_t field) {
        const unsigned char zero[4] = {0, 0, 0, 0};
        return SeekTo(m_file, field) && std::fwrite(zero, 1, 4, m_file) == 4;
    }

private:
    bool ReadAt(uint64_t offset, unsigned char* bytes, std::size_t count) {
        return offset + count <= m_size && SeekTo(m_file, offset) &&
               std::fread(bytes, 1, count, m_file) == count;
    }

    uint64_t Number(const unsigned char* bytes, int count) const {
        uint64_t value = 0;
        for (int i = 0; i < count; ++i) {
            const unsigned char byte = m_bigEndian ? bytes[i] : bytes[count - 1 - i];
            value = value << 8 | byte;
        }
        return value;
    }

    std::FILE* m_file;
    uint64_t m_size;
    bool m_bigEndian = false;
};

bool CutChain(ClassicTiff& tiff, uint32_t pages) {
    if (!tiff.ReadByteOrder()) return false;
    uint64_t field = kFirstDirectoryPointer;
    for (uint32_t page = 0; page < pages; ++page) {
        uint64_t directory = 0;
        if (!tiff.ReadPointer(field, &directory) || !tiff.NextPointerOf(directory, &field))
            return false;
    }
    uint64_t next = 0;
    if (!tiff.ReadPointer(field, &next)) return false;
    return next == 0 || tiff.ClearPointer(field);
}

}  // namespace

bool CutDirectoryChain(const char* path, uint32_t pages) {
    std::FILE* file = std::fopen(path, "r+b");
    if (!file) return false;
    ClassicTiff tiff(file);
    const bool cut = CutChain(tiff, pages);
    return std::fclose(file) == 0 && cut;
}

}  // namespace aro
