#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/VersionResource.h"
#include "platform/posix/PosixPlatform.h"
#include "platform/posix/VersionFile.h"
#include "tests/platform/PosixTestSupport.h"

namespace aro::posix {
namespace {

using testing::ScratchFolder;
using testing::WriteTextFile;

using Parts = std::vector<uint16_t>;

void AppendWord(std::string* bytes, uint32_t word) {
    for (int shift = 0; shift < 32; shift += 8) {
        bytes->push_back(static_cast<char>((word >> shift) & 0xFF));
    }
}

// Built field by field at run time, so this test binary holds no record of
// its own for the reader to find.
std::string Record(const Parts& version, uint32_t signature = kFixedFileInfoSignature,
                   uint32_t strucVersion = kFixedFileInfoStrucVersion) {
    std::string bytes(kVersionMarker, sizeof(kVersionMarker));
    AppendWord(&bytes, signature);
    AppendWord(&bytes, strucVersion);
    AppendWord(&bytes, static_cast<uint32_t>(version[0]) << 16 | version[1]);
    AppendWord(&bytes, static_cast<uint32_t>(version[2]) << 16 | version[3]);
    for (int word = 4; word < 13; ++word) AppendWord(&bytes, 0);
    return bytes;
}

std::string Filler(std::size_t size) {
    return std::string(size, '\xAB');
}

class PosixVersionFile : public ::testing::Test {
protected:
    // Parts read from a file holding content; empty when none were found.
    Parts ReadFrom(const std::string& content, std::size_t chunkBytes = kVersionScanChunkBytes) {
        const std::string path = m_scratch / "module.so";
        WriteTextFile(path, content);
        uint16_t parts[4] = {};
        if (!ReadEmbeddedFileVersion(path.c_str(), parts, chunkBytes)) return {};
        return Parts(parts, parts + 4);
    }

    ScratchFolder m_scratch;
};

Parts ProjectVersion() {
    unsigned values[4] = {};
    EXPECT_EQ(std::sscanf(ARO_PROJECT_VERSION, "%u.%u.%u.%u", &values[0], &values[1], &values[2],
                          &values[3]),
              4);
    return Parts(values, values + 4);
}

TEST_F(PosixVersionFile, ReadsTheBuiltModule) {
    PosixPlatform platform;
    uint16_t parts[4] = {};
    ASSERT_TRUE(platform.ReadFileVersion(ARO_MODULE_PATH, parts));
    EXPECT_EQ(Parts(parts, parts + 4), ProjectVersion());
}

TEST_F(PosixVersionFile, FindsRecordAtEveryOffsetAroundChunkBoundary) {
    const Parts version{3, 14, 159, 2653};
    const std::size_t recordBytes = Record(version).size();
    for (std::size_t start = kVersionScanChunkBytes - recordBytes - 2;
         start <= kVersionScanChunkBytes + 2; ++start) {
        EXPECT_EQ(ReadFrom(Filler(start) + Record(version) + Filler(100)), version) << start;
    }
}

TEST_F(PosixVersionFile, FindsRecordSpanningManySmallChunks) {
    const Parts version{65535, 0, 1, 65534};
    const std::string content = Filler(333) + Record(version) + Filler(5);
    for (std::size_t chunk : {1u, 3u, 16u, 67u, 68u, 69u, 100u}) {
        EXPECT_EQ(ReadFrom(content, chunk), version) << chunk;
    }
}

TEST_F(PosixVersionFile, RecordAtTheVeryEndOrStart) {
    const Parts version{1, 2, 3, 4};
    EXPECT_EQ(ReadFrom(Record(version)), version);
    EXPECT_EQ(ReadFrom(Filler(1000) + Record(version)), version);
}

TEST_F(PosixVersionFile, IgnoresNearMisses) {
    const Parts version{2, 0, 0, 1};
    EXPECT_EQ(ReadFrom(Record(version, 0xFEEF04BE)), Parts{});
    EXPECT_EQ(ReadFrom(Record(version, kFixedFileInfoSignature, 0x00020000)), Parts{});
    EXPECT_EQ(ReadFrom(Record(version, 0xBD04EFFE)), Parts{}) << "big-endian signature";
    const std::string full = Record(version);
    EXPECT_EQ(ReadFrom(full.substr(0, full.size() - 1)), Parts{}) << "truncated";
    std::string wrongMarker = full;
    wrongMarker[15] = ' ';
    EXPECT_EQ(ReadFrom(wrongMarker), Parts{});
}

TEST_F(PosixVersionFile, SkipsNearMissToFindTheRealRecord) {
    const Parts version{7, 8, 9, 10};
    const std::string decoy = Record({9, 9, 9, 9}, 0x12345678);
    // A decoy whose marker overlaps the real record's start.
    const std::string markerOnly(kVersionMarker, sizeof(kVersionMarker));
    EXPECT_EQ(ReadFrom(decoy + Filler(10) + Record(version)), version);
    EXPECT_EQ(ReadFrom("VS_" + markerOnly.substr(0, 10) + Record(version)), version);
    EXPECT_EQ(ReadFrom(Record(version) + Record({1, 1, 1, 1})), version) << "first one wins";
}

TEST_F(PosixVersionFile, FailsForMissingEmptyOrUnsuitableFiles) {
    PosixPlatform platform;
    uint16_t parts[4] = {5, 5, 5, 5};
    EXPECT_FALSE(platform.ReadFileVersion((m_scratch / "missing").c_str(), parts));
    EXPECT_FALSE(platform.ReadFileVersion(m_scratch.path().c_str(), parts));
    EXPECT_EQ(ReadFrom(""), Parts{});
    EXPECT_EQ(ReadFrom(Filler(200000)), Parts{});
    EXPECT_EQ(Parts(parts, parts + 4), (Parts{5, 5, 5, 5})) << "changed on failure";
}

TEST_F(PosixVersionFile, ReaderCodeHoldsNoRecordOfItsOwn) {
    // This binary contains the reader; only the module's record may match.
    PosixPlatform platform;
    uint16_t parts[4] = {};
    EXPECT_FALSE(platform.ReadFileVersion("/proc/self/exe", parts));
}

}  // namespace
}  // namespace aro::posix
