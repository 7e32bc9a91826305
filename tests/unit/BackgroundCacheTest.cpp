#include "imaging/BackgroundCache.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <filesystem>
#include <string>
#include <vector>

#include "fake/FakePlatform.h"
#include "imaging/BackgroundBitmap.h"
#include "imaging/PageBackground.h"
#include "job/JobContext.h"
#include "unit/TestSupport.h"
#include "unit/TiffTestImages.h"

namespace aro::test {
namespace {

// Letterheads are text rows, top row first: 'B' black, '.' white.
using Picture = std::vector<std::string>;

constexpr uint32_t kWidth = 12;
constexpr uint32_t kRows = 3;
constexpr uint32_t kBandStride = 4;

const Picture kFirst = {"BB..........", "............", "..........BB"};
const Picture kNext = {"B.B.B.B.....", ".....B......", "B..........B"};
const Picture kReplaced = {"............", "BBBBBBBBBBBB", "............"};

// An uncompressed MinIsBlack file (a set bit is white): the kind the merge
// would turn around before its first use. With a resolution the file is
// longer.
bool WriteLetterhead(const std::string& path, const Picture& picture, float resolution = 0) {
    Picture bits = picture;
    for (std::string& row : bits)
        for (char& c : row) c = c == 'B' ? '.' : '#';
    TiffImageRecipe recipe;
    recipe.width = kWidth;
    recipe.height = kRows;
    recipe.photometric = PHOTOMETRIC_MINISBLACK;
    recipe.xResolution = recipe.yResolution = resolution;
    return WriteTiff(path, recipe, BitRows(bits));
}

// A new file put in place of the old one, as an editor saves. Of another
// size: where the file system keeps no file numbers and coarse times (the
// Windows build's test platform), the size is what tells them apart.
bool ReplaceLetterhead(const std::string& path, const Picture& picture) {
    const std::string staged = path + ".new";
    std::error_code error;
    if (!WriteLetterhead(staged, picture, 300)) return false;
    std::filesystem::rename(staged, path, error);
    return !error;
}

// A white page band after the merge: a clear bit is black.
std::vector<unsigned char> Expected(const Picture& picture) {
    std::vector<unsigned char> band(kBandStride * kRows, 0xFF);
    for (uint32_t y = 0; y < kRows; ++y)
        for (uint32_t x = 0; x < kWidth; ++x)
            if (picture[y][x] == 'B')
                band[y * kBandStride + x / 8] &= static_cast<unsigned char>(~(0x80 >> x % 8));
    // The merge clears the bits beyond the page's width in its last byte.
    for (uint32_t y = 0; y < kRows; ++y) band[y * kBandStride + kWidth / 8] &= 0xF0;
    return band;
}

// The background's palette and rows as they are now.
std::vector<unsigned char> Snapshot(const BackgroundBitmap& bitmap) {
    std::vector<unsigned char> bytes(bitmap.GetPalette(), bitmap.GetPalette() + 8);
    for (uint32_t index = 0; index < bitmap.GetHeight(); ++index)
        bytes.insert(bytes.end(), bitmap.GetRow(index), bitmap.GetRow(index) + bitmap.GetStride());
    return bytes;
}

class BackgroundCacheTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetUser(*platform, "BackgroundImageFirstPage", first);
        SetUser(*platform, "BackgroundImageNextPages", next);
        ASSERT_TRUE(WriteLetterhead(first, kFirst));
        ASSERT_TRUE(WriteLetterhead(next, kNext));
        StartDocument();
    }

    // What a document setup does for the background.
    void StartDocument() {
        if (g_job.page.background) {
            g_job.page.background->FreeDib();
            delete g_job.page.background;
        }
        g_job.page.background = new BackgroundBitmap();
        g_job.page.background->Reset();
        g_job.phase.firstPage = true;
    }

    // One page of one white band under the letterhead; the band afterwards.
    std::vector<unsigned char> PrintPage() {
        const char* valueName =
            g_job.phase.firstPage ? "BackgroundImageFirstPage" : "BackgroundImageNextPages";
        g_job.page.firstBand = true;
        g_job.page.imageHeight = 0;
        std::vector<unsigned char> band(kBandStride * kRows, 0xFF);
        if (!PreparePageBackground(valueName) || PageBackgroundBitCount() != 1) return {};
        const std::vector<unsigned char> before = Snapshot(*g_job.page.background);
        MergePageBackground(band.data(), kRows, kWidth, 1);
        EXPECT_EQ(Snapshot(*g_job.page.background), before) << "the merge changed the kept pixels";
        g_job.page.firstBand = false;
        g_job.phase.firstPage = false;
        return band;
    }
    int Decodes() const { return platform->allocations; }

    ScopedFakePlatform platform;
    TempFolder folder;
    const std::string first = folder.path() + "/first.tif";
    const std::string next = folder.path() + "/next.tif";
};

TEST_F(BackgroundCacheTest, EachVersionOfALetterheadIsDecodedOnce) {
    EXPECT_EQ(PrintPage(), Expected(kFirst));
    EXPECT_EQ(PrintPage(), Expected(kNext));
    EXPECT_EQ(PrintPage(), Expected(kNext));
    EXPECT_EQ(Decodes(), 2);

    ASSERT_TRUE(ReplaceLetterhead(next, kReplaced));
    EXPECT_EQ(PrintPage(), Expected(kReplaced));
    EXPECT_EQ(PrintPage(), Expected(kReplaced));
    EXPECT_EQ(Decodes(), 3);

    // The next document of the load (one file per page) keeps both images.
    StartDocument();
    EXPECT_EQ(PrintPage(), Expected(kFirst));
    EXPECT_EQ(PrintPage(), Expected(kReplaced));
    EXPECT_EQ(Decodes(), 3);

    // A file that no longer loads gives no background, not the last good one,
    // and the next page tries again.
    ASSERT_TRUE(WriteFileBytes(next + ".new", {'n', 'o', 't', ' ', 'T', 'I', 'F', 'F'}));
    std::filesystem::rename(next + ".new", next);
    EXPECT_TRUE(PrintPage().empty());
    ASSERT_TRUE(ReplaceLetterhead(next, kNext));
    EXPECT_EQ(PrintPage(), Expected(kNext));
    EXPECT_EQ(Decodes(), 4);
}

}  // namespace
}  // namespace aro::test
