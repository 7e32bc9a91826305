#include "imaging/BackgroundBitmap.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "fake/FakePlatform.h"

namespace aro::test {
namespace {

// Records the size of every block the bitmap asks for.
class AllocationRecorder : public FakePlatform {
public:
    void* AllocateZeroed(std::size_t bytes) override {
        requests.push_back(bytes);
        return FakePlatform::AllocateZeroed(bytes);
    }
    void Free(void* block) override {
        ++frees;
        FakePlatform::Free(block);
    }
    std::vector<std::size_t> requests;
    int frees = 0;
};

uint32_t HeaderField(const unsigned char* block, std::size_t offset) {
    uint32_t value;
    std::memcpy(&value, block + offset, 4);
    return value;
}

uint16_t HeaderShort(const unsigned char* block, std::size_t offset) {
    uint16_t value;
    std::memcpy(&value, block + offset, 2);
    return value;
}

class BackgroundBitmapTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetPlatform(&platform);
        bitmap.Reset();
    }
    void TearDown() override {
        bitmap.FreeDib();
        SetPlatform(nullptr);
    }
    void Describe(uint32_t width, uint32_t height, uint16_t bitCount) {
        bitmap.SetWidth(width);
        bitmap.SetHeight(height);
        bitmap.SetBitCount(bitCount);
    }

    AllocationRecorder platform;
    BackgroundBitmap bitmap;
};

TEST_F(BackgroundBitmapTest, MonochromeLetterPageBlockLayout) {
    Describe(1700, 2200, 1);
    ASSERT_EQ(bitmap.AllocDib(), 1);
    const unsigned char* block = bitmap.GetDib();
    EXPECT_EQ(HeaderField(block, 0), 40u);
    EXPECT_EQ(HeaderField(block, 4), 1700u);
    EXPECT_EQ(HeaderField(block, 8), 2200u);
    EXPECT_EQ(HeaderShort(block, 12), 1);
    EXPECT_EQ(HeaderShort(block, 14), 1);
    EXPECT_EQ(HeaderField(block, 16), 0u);
    EXPECT_EQ(HeaderField(block, 20), 216u * 2200u);
    EXPECT_EQ(HeaderField(block, 32), 2u);
    EXPECT_EQ(HeaderField(block, 36), 2u);
    EXPECT_EQ(bitmap.GetStride(), 216u);
    EXPECT_EQ(BackgroundBitmap::GetNumColors(block), 2);
    EXPECT_EQ(BackgroundBitmap::GetPaletteSize(block), 8);
    EXPECT_EQ(BackgroundBitmap::GetBits(bitmap.GetDib()), bitmap.GetDib() + 48);
    EXPECT_EQ(bitmap.GetPalette(), bitmap.GetDib() + 40);
    ASSERT_EQ(platform.requests.size(), 1u);
    EXPECT_EQ(platform.requests[0], 216u * 2200u + 8 + 40 + 50);
    EXPECT_EQ(bitmap.GetPixelBytes(), 216u * 2200u + 50);
}

TEST_F(BackgroundBitmapTest, ColourImageHasNoPalette) {
    Describe(1001, 3, 24);
    ASSERT_EQ(bitmap.AllocDib(), 1);
    EXPECT_EQ(bitmap.GetStride(), 3004u);
    EXPECT_EQ(HeaderField(bitmap.GetDib(), 32), 0u);
    EXPECT_EQ(BackgroundBitmap::GetNumColors(bitmap.GetDib()), 0);
    EXPECT_EQ(BackgroundBitmap::GetBits(bitmap.GetDib()), bitmap.GetDib() + 40);
}

TEST_F(BackgroundBitmapTest, GreyAndFourBitPalettes) {
    Describe(10, 2, 8);
    ASSERT_EQ(bitmap.AllocDib(), 1);
    EXPECT_EQ(BackgroundBitmap::GetNumColors(bitmap.GetDib()), 256);
    EXPECT_EQ(BackgroundBitmap::GetPaletteSize(bitmap.GetDib()), 1024);
    EXPECT_EQ(bitmap.GetStride(), 12u);
    Describe(10, 2, 4);
    ASSERT_EQ(bitmap.AllocDib(), 1);
    EXPECT_EQ(BackgroundBitmap::GetNumColors(bitmap.GetDib()), 16);
    EXPECT_EQ(BackgroundBitmap::GetPaletteSize(bitmap.GetDib()), 64);
    EXPECT_EQ(bitmap.GetStride(), 8u);
}

TEST_F(BackgroundBitmapTest, CoreHeaderPaletteUsesThreeByteEntries) {
    unsigned char core[12] = {12, 0, 0, 0, 4, 0, 2, 0, 1, 0, 8, 0};
    EXPECT_EQ(BackgroundBitmap::GetNumColors(core), 256);
    EXPECT_EQ(BackgroundBitmap::GetPaletteSize(core), 768);
}

TEST_F(BackgroundBitmapTest, GetRowCountsFromTheBottomWithinHeight) {
    Describe(33, 5, 1);
    ASSERT_EQ(bitmap.AllocDib(), 1);
    unsigned char* bits = BackgroundBitmap::GetBits(bitmap.GetDib());
    EXPECT_EQ(bitmap.GetRow(0), bits);
    EXPECT_EQ(bitmap.GetRow(4), bits + 4 * 8);
    EXPECT_EQ(bitmap.GetRow(5), nullptr);
    EXPECT_EQ(bitmap.GetRow(0xFFFFFFFFu), nullptr);
}

TEST_F(BackgroundBitmapTest, GetRowRefusesRowsOutsideTheBlock) {
    // 48 bits are stored at 4 bits a pixel: the attributes describe more
    // than the block holds.
    Describe(8, 4, 48);
    ASSERT_EQ(bitmap.AllocDib(), 1);
    EXPECT_EQ(HeaderShort(bitmap.GetDib(), 14), 4);
    EXPECT_EQ(bitmap.GetStride(), 48u);
    EXPECT_EQ(bitmap.GetRow(3), nullptr);
    EXPECT_EQ(bitmap.GetRow(0), nullptr);
}

TEST_F(BackgroundBitmapTest, CreateDibRoundsBitCountsAndLeavesObjectAlone) {
    const std::pair<uint16_t, uint16_t> cases[] = {{0, 1},   {2, 4},   {5, 8},  {12, 16},
                                                   {17, 24}, {30, 32}, {48, 4}, {255, 4}};
    for (const auto& [asked, stored] : cases) {
        unsigned char* block = bitmap.CreateDib(16, 2, asked);
        ASSERT_NE(block, nullptr) << asked;
        EXPECT_EQ(HeaderShort(block, 14), stored) << asked;
        platform.Free(block);
    }
    EXPECT_EQ(bitmap.GetBitCount(), 0);
    EXPECT_EQ(bitmap.GetDib(), nullptr);
}

TEST_F(BackgroundBitmapTest, CreateDibWithWidthZeroTakesAttributes) {
    Describe(20, 7, 24);
    unsigned char* block = bitmap.CreateDib(0, 99, 1);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(HeaderField(block, 4), 20u);
    EXPECT_EQ(HeaderField(block, 8), 7u);
    EXPECT_EQ(HeaderShort(block, 14), 24);
    platform.Free(block);
}

TEST_F(BackgroundBitmapTest, OversizedImagesAreRefusedWithoutAllocating) {
    // 70000 x 70000 at 8 bits wraps a 32-bit size; 2^31 pixels do not fit
    // the header's signed width.
    EXPECT_EQ(bitmap.CreateDib(70000, 70000, 8), nullptr);
    EXPECT_EQ(bitmap.CreateDib(0x80000000u, 1, 1), nullptr);
    EXPECT_EQ(bitmap.CreateDib(20000, 20000, 24), nullptr);
    EXPECT_TRUE(platform.requests.empty());
    Describe(131072, 65537, 1);
    EXPECT_EQ(bitmap.AllocDib(), -1);
}

TEST_F(BackgroundBitmapTest, FailedAllocationLeavesNoBlock) {
    Describe(10, 10, 1);
    ASSERT_EQ(bitmap.AllocDib(), 1);
    platform.allocationFails = true;
    EXPECT_EQ(bitmap.AllocDib(), -1);
    EXPECT_EQ(platform.frees, 1);
    EXPECT_EQ(bitmap.GetDib(), nullptr);
    EXPECT_EQ(bitmap.GetRow(0), nullptr);
    EXPECT_EQ(bitmap.GetPalette(), nullptr);
    EXPECT_EQ(bitmap.GetPixelBytes(), 0u);
}

TEST_F(BackgroundBitmapTest, ClearKeepsTheBlockUntilTheNextAllocation) {
    Describe(10, 10, 1);
    ASSERT_EQ(bitmap.AllocDib(), 1);
    unsigned char* block = bitmap.GetDib();
    bitmap.Clear();
    EXPECT_EQ(bitmap.GetDib(), block);
    EXPECT_EQ(bitmap.GetRow(0), nullptr);
    EXPECT_EQ(bitmap.GetBitCount(), 0);
    EXPECT_EQ(bitmap.GetCompression(), 1u);
    EXPECT_EQ(bitmap.GetState(), 4);
    EXPECT_EQ(platform.frees, 0);
    Describe(4, 4, 1);
    ASSERT_EQ(bitmap.AllocDib(), 1);
    EXPECT_EQ(platform.frees, 1);
    bitmap.FreeDib();
    bitmap.FreeDib();
    EXPECT_EQ(platform.frees, 2);
    EXPECT_EQ(bitmap.GetDib(), nullptr);
}

TEST_F(BackgroundBitmapTest, ResolutionDefaultsAfterResetAndClear) {
    EXPECT_EQ(bitmap.GetXResolution(), 100);
    EXPECT_EQ(bitmap.GetYResolution(), 100);
    Describe(8, 1, 1);
    ASSERT_EQ(bitmap.AllocDib(), 1);
    EXPECT_EQ(HeaderField(bitmap.GetDib(), 24), 3937u);
    EXPECT_EQ(HeaderField(bitmap.GetDib(), 28), 3937u);

    bitmap.Clear();
    EXPECT_EQ(bitmap.GetXResolution(), 0);
    EXPECT_EQ(bitmap.GetYResolution(), 0);
    Describe(8, 1, 1);
    ASSERT_EQ(bitmap.AllocDib(), 1);
    EXPECT_EQ(HeaderField(bitmap.GetDib(), 24), 2834u);
    EXPECT_EQ(HeaderField(bitmap.GetDib(), 28), 2834u);
}

TEST_F(BackgroundBitmapTest, SetResolutionWritesTheHeader) {
    Describe(8, 1, 1);
    ASSERT_EQ(bitmap.AllocDib(), 1);
    bitmap.SetXResolution(200);
    bitmap.SetYResolution(0);
    EXPECT_EQ(bitmap.GetXResolution(), 200);
    EXPECT_EQ(bitmap.GetYResolution(), 100);
    EXPECT_EQ(HeaderField(bitmap.GetDib(), 24), 7874u);
    EXPECT_EQ(HeaderField(bitmap.GetDib(), 28), 3937u);
}

TEST(PageBitmapConversionTest, DpiToPelsPerMeter) {
    EXPECT_EQ(BackgroundBitmap::DpiToPelsPerMeter(72), 2834);
    EXPECT_EQ(BackgroundBitmap::DpiToPelsPerMeter(100), 3937);
    EXPECT_EQ(BackgroundBitmap::DpiToPelsPerMeter(200), 7874);
    EXPECT_EQ(BackgroundBitmap::DpiToPelsPerMeter(300), 11811);
    // No overflow of dpi x 100 for absurd resolutions.
    EXPECT_EQ(BackgroundBitmap::DpiToPelsPerMeter(0x7FFFFFFF), 0x7FFFFFFF);
    EXPECT_LT(BackgroundBitmap::DpiToPelsPerMeter(-50000000), -1900000000);
}

}  // namespace
}  // namespace aro::test
