// The planar configuration scan: walks the file's directories by hand, as
// libtiff will not open the files it looks for (PlanarConfiguration 2 on a
// single strip of three 8-bit samples), and marks them contiguous again.
#include "imaging/PlanarConfigRepair.h"

#include <cstdint>
#include <cstdio>
#include <set>
#include <vector>

namespace aro {

namespace {

constexpr uint16_t kTagBitsPerSample = 258;
constexpr uint16_t kTagStripOffsets = 273;
constexpr uint16_t kTagSamplesPerPixel = 277;
constexpr uint16_t kTagPlanarConfig = 284;
constexpr uint16_t kTypeShort = 3;
constexpr uint16_t kTypeSShort = 8;
constexpr uint16_t kClassicTiffVersion = 42;
constexpr uint32_t kPlanarSeparate = 2;
constexpr uint32_t kPlanarContiguous = 1;
constexpr std::uint64_t kEntrySize = 12;
// Real files have a handful of directories; anything beyond is a loop or junk.
constexpr std::size_t kMaxDirectories = 4096;
// Samples of a pixel; longer BitsPerSample arrays are not an RGB image.
constexpr uint32_t kMaxBitsPerSampleCount = 256;

struct Entry {
    std::uint64_t position;  // of the entry in the file
    uint16_t tag;
    uint16_t type;
    uint32_t count;
    uint32_t value;
};

// Reads (and in repair mode patches) the directories of one classic TIFF
// file, never outside the file.
class PlanarConfigScanner {
public:
    PlanarConfigScanner(std::FILE* file, std::uint64_t size, bool repair)
        : m_file(file), m_size(size), m_repair(repair) {}

    bool Scan() {
        unsigned char header[8];
        if (!ReadAt(0, header, sizeof header)) return false;
        if (header[0] == 'I' && header[1] == 'I')
            m_bigEndian = false;
        else if (header[0] == 'M' && header[1] == 'M')
            m_bigEndian = true;
        else
            return false;
        if (Number16(header + 2) != kClassicTiffVersion) return false;
        bool found = false;
        std::set<uint32_t> visited;
        uint32_t offset = Number32(header + 4);
        while (offset != 0 && visited.size() < kMaxDirectories && visited.insert(offset).second)
            if (!ScanDirectory(offset, &offset, &found)) break;
        return found;
    }

private:
    // The entries of the directory at offset, and the next directory's
    // offset. False when the directory runs past the end of the file.
    bool ScanDirectory(uint32_t offset, uint32_t* next, bool* found) {
        unsigned char countBytes[2];
        if (!ReadAt(offset, countBytes, sizeof countBytes)) return false;
        const uint16_t declared = Number16(countBytes);
        const std::uint64_t first = std::uint64_t{offset} + 2;
        const std::uint64_t fitting = (m_size - first) / kEntrySize;
        const std::uint64_t entries = declared < fitting ? declared : fitting;
        std::vector<unsigned char> bytes(entries * kEntrySize);
        if (!bytes.empty() && !ReadAt(first, bytes.data(), bytes.size())) return false;

        DirectoryMarks marks;
        for (std::uint64_t i = 0; i < entries; ++i)
            *found |=
                VisitEntry(DecodeEntry(first + i * kEntrySize, &bytes[i * kEntrySize]), marks);
        if (entries < declared) return false;

        unsigned char nextBytes[4];
        if (!ReadAt(first + entries * kEntrySize, nextBytes, sizeof nextBytes)) return false;
        *next = Number32(nextBytes);
        return true;
    }

    struct DirectoryMarks {
        bool stripOffsetsSeen = false;
        uint32_t stripCount = 0;
        bool samplesSeen = false;
        uint32_t samples = 0;
    };

    Entry DecodeEntry(std::uint64_t position, const unsigned char* bytes) const {
        Entry entry{position, Number16(bytes), Number16(bytes + 2), Number32(bytes + 4), 0};
        const bool shortValue =
            (entry.type == kTypeShort || entry.type == kTypeSShort) && entry.count == 1;
        entry.value = shortValue ? Number16(bytes + 8) : Number32(bytes + 8);
        return entry;
    }

    // True when the entry is the PlanarConfiguration of a directory to repair.
    bool VisitEntry(const Entry& entry, DirectoryMarks& marks) {
        switch (entry.tag) {
            case kTagBitsPerSample:
                m_lastBitsSum = SumBitsPerSample(entry);
                return false;
            case kTagStripOffsets:
                marks.stripOffsetsSeen = true;
                marks.stripCount = entry.count;
                return false;
            case kTagSamplesPerPixel:
                marks.samplesSeen = true;
                marks.samples = entry.value;
                return false;
            case kTagPlanarConfig:
                if (entry.value != kPlanarSeparate || !marks.stripOffsetsSeen ||
                    marks.stripCount != 1 || !marks.samplesSeen || marks.samples != 3 ||
                    m_lastBitsSum != 24)
                    return false;
                if (m_repair) MarkContiguous(entry);
                return true;
            default:
                return false;
        }
    }

    // The 16-bit sum of the samples' bit sizes; 0 when they cannot be read.
    uint16_t SumBitsPerSample(const Entry& entry) {
        if (entry.count == 1) return static_cast<uint16_t>(entry.value);
        if (entry.count == 0 || entry.count > kMaxBitsPerSampleCount) return 0;
        std::vector<unsigned char> values(std::size_t{entry.count} * 2);
        // Two values fit in the entry itself.
        const std::uint64_t at = values.size() <= 4 ? entry.position + 8 : entry.value;
        if (!ReadAt(at, values.data(), values.size())) return 0;
        uint16_t sum = 0;
        for (std::size_t i = 0; i < values.size(); i += 2)
            sum = static_cast<uint16_t>(sum + Number16(&values[i]));
        return sum;
    }

    void MarkContiguous(const Entry& entry) {
        unsigned char value[4] = {};
        if (entry.type == kTypeShort || entry.type == kTypeSShort)
            Store16(value, kPlanarContiguous);
        else
            Store32(value, kPlanarContiguous);
        WriteAt(entry.position + 8, value, sizeof value);
    }

    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t bytes) {
        if (offset > m_size || bytes > m_size - offset) return false;
        if (std::fseek(m_file, static_cast<long>(offset), SEEK_SET) != 0) return false;
        return std::fread(buffer, 1, bytes, m_file) == bytes;
    }

    void WriteAt(std::uint64_t offset, const void* buffer, std::size_t bytes) {
        if (std::fseek(m_file, static_cast<long>(offset), SEEK_SET) == 0)
            std::fwrite(buffer, 1, bytes, m_file);
    }

    uint16_t Number16(const unsigned char* at) const {
        return static_cast<uint16_t>(m_bigEndian ? at[0] << 8 | at[1] : at[1] << 8 | at[0]);
    }

    uint32_t Number32(const unsigned char* at) const {
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i)
            value |= static_cast<uint32_t>(at[m_bigEndian ? i : 3 - i]) << (24 - 8 * i);
        return value;
    }

    void Store16(unsigned char* at, uint32_t value) const {
        at[m_bigEndian ? 0 : 1] = static_cast<unsigned char>(value >> 8);
        at[m_bigEndian ? 1 : 0] = static_cast<unsigned char>(value);
    }

    void Store32(unsigned char* at, uint32_t value) const {
        for (int i = 0; i < 4; ++i)
            at[m_bigEndian ? i : 3 - i] = static_cast<unsigned char>(value >> (24 - 8 * i));
    }

    std::FILE* m_file;
    std::uint64_t m_size;
    bool m_repair;
    bool m_bigEndian = false;
    uint16_t m_lastBitsSum = 0;
};

std::uint64_t FileSize(std::FILE* file) {
    if (std::fseek(file, 0, SEEK_END) != 0) return 0;
    const long size = std::ftell(file);
    return size > 0 ? static_cast<std::uint64_t>(size) : 0;
}

bool ScanPlanarConfig(const char* path, bool repair) {
    if (!path) return false;
    std::FILE* file = std::fopen(path, repair ? "r+b" : "rb");
    if (!file) return false;
    PlanarConfigScanner scanner(file, FileSize(file), repair);
    const bool found = scanner.Scan();
    std::fclose(file);
    return found;
}

}  // namespace

bool HasPlanarConfigDefect(const char* path) {
    return ScanPlanarConfig(path, false);
}

bool RepairPlanarConfigDefect(const char* path) {
    return ScanPlanarConfig(path, true);
}

}  // namespace aro
