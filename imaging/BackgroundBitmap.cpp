#include "imaging/BackgroundBitmap.h"

#include <cstring>
#include <limits>

#include "platform/Platform.h"

namespace aro {

namespace {

// BITMAPINFOHEADER field offsets.
constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::size_t kOffWidth = 4;
constexpr std::size_t kOffHeight = 8;
constexpr std::size_t kOffPlanes = 12;
constexpr std::size_t kOffBitCount = 14;
constexpr std::size_t kOffSizeImage = 20;
constexpr std::size_t kOffXPelsPerMeter = 24;
constexpr std::size_t kOffYPelsPerMeter = 28;
constexpr std::size_t kOffClrUsed = 32;
constexpr std::size_t kOffClrImportant = 36;
// BITMAPCOREHEADER keeps its bit count here.
constexpr std::size_t kOffCoreBitCount = 10;

constexpr std::uint64_t kSpareBytes = 50;
// Larger pixel areas are refused: no page background comes near it, and
// it keeps every size well inside 32 bits.
constexpr std::uint64_t kMaxImageBytes = std::uint64_t{1} << 30;
constexpr int32_t kDefaultDpi = 100;
constexpr int32_t kPelsPerMeterAt72Dpi = 2834;

uint32_t ReadLe32(const unsigned char* at) {
    return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
           static_cast<uint32_t>(at[2]) << 16 | static_cast<uint32_t>(at[3]) << 24;
}

uint16_t ReadLe16(const unsigned char* at) {
    return static_cast<uint16_t>(at[0] | at[1] << 8);
}

void WriteLe32(unsigned char* at, uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<unsigned char>(value >> (8 * i));
}

void WriteLe16(unsigned char* at, uint16_t value) {
    at[0] = static_cast<unsigned char>(value);
    at[1] = static_cast<unsigned char>(value >> 8);
}

uint16_t RoundUpToDibBitCount(uint16_t bitCount) {
    if (bitCount <= 1) return 1;
    if (bitCount <= 4) return 4;
    if (bitCount <= 8) return 8;
    if (bitCount <= 16) return 16;
    if (bitCount <= 24) return 24;
    if (bitCount <= 32) return 32;
    return 4;
}

std::uint64_t StrideOf(uint16_t bitCount, uint32_t width) {
    return (std::uint64_t{bitCount} * width + 31) / 32 * 4;
}

int32_t PelsPerMeterOrDefault(int32_t dpi) {
    return dpi == 0 ? kPelsPerMeterAt72Dpi : BackgroundBitmap::DpiToPelsPerMeter(dpi);
}

uint32_t HeaderSize(const unsigned char* block) {
    return ReadLe32(block);
}

// Header, palette, rows and spare bytes of one of our own blocks.
std::uint64_t BlockSizeOf(const unsigned char* block) {
    return HeaderSize(block) + std::uint64_t{BackgroundBitmap::GetPaletteSize(block)} +
           ReadLe32(block + kOffSizeImage) + kSpareBytes;
}

}  // namespace

BackgroundBitmap& BackgroundBitmap::Reset() {
    Clear();
    FreeDib();
    SetXResolution(0);
    SetYResolution(0);
    return *this;
}

void BackgroundBitmap::Clear() {
    m_bitCount = 0;
    m_directoryCount = 0;
    m_directory = 0;
    m_width = 0;
    m_height = 0;
    m_xResolution = 0;
    m_yResolution = 0;
    m_compression = 1;
    m_format = 0;
    m_state = 4;
}

void BackgroundBitmap::FreeDib() {
    m_dib.reset();
    m_blockSize = 0;
}

void BackgroundBitmap::ShareDib(const BackgroundBitmap& source) {
    m_bitCount = source.m_bitCount;
    m_directoryCount = source.m_directoryCount;
    m_directory = source.m_directory;
    m_width = source.m_width;
    m_height = source.m_height;
    m_xResolution = source.m_xResolution;
    m_yResolution = source.m_yResolution;
    m_compression = source.m_compression;
    m_format = source.m_format;
    m_state = source.m_state;
    m_dib = source.m_dib;
    m_blockSize = source.m_blockSize;
}

uint32_t BackgroundBitmap::GetStride() const {
    std::uint64_t stride = StrideOf(m_bitCount, m_width);
    // Such a row could never lie inside a block; GetRow then refuses it.
    if (stride > std::numeric_limits<uint32_t>::max()) return std::numeric_limits<uint32_t>::max();
    return static_cast<uint32_t>(stride);
}

unsigned char* BackgroundBitmap::GetRow(uint32_t index) const {
    if (!m_dib || index >= m_height) return nullptr;
    std::uint64_t stride = GetStride();
    // The attributes may describe more than the block holds (a bit count
    // that the block was rounded from): only rows inside the pixel area.
    std::uint64_t pixelBytes = GetPixelBytes();
    std::uint64_t rowBytes = pixelBytes > kSpareBytes ? pixelBytes - kSpareBytes : 0;
    if (stride == 0 || (std::uint64_t{index} + 1) * stride > rowBytes) return nullptr;
    return GetBits(m_dib.get()) + index * stride;
}

void BackgroundBitmap::SetXResolution(int32_t dpi) {
    m_xResolution = dpi == 0 ? kDefaultDpi : dpi;
    if (m_dib)
        WriteLe32(m_dib.get() + kOffXPelsPerMeter,
                  static_cast<uint32_t>(DpiToPelsPerMeter(m_xResolution)));
}

void BackgroundBitmap::SetYResolution(int32_t dpi) {
    m_yResolution = dpi == 0 ? kDefaultDpi : dpi;
    if (m_dib)
        WriteLe32(m_dib.get() + kOffYPelsPerMeter,
                  static_cast<uint32_t>(DpiToPelsPerMeter(m_yResolution)));
}

unsigned char* BackgroundBitmap::CreateDib(uint32_t width, uint32_t height,
                                           uint16_t bitCount) const {
    if (width == 0) {
        width = m_width;
        height = m_height;
        bitCount = m_bitCount;
    }
    // The header keeps both as signed numbers.
    constexpr uint32_t kMaxSide = std::numeric_limits<int32_t>::max();
    if (width > kMaxSide || height > kMaxSide) return nullptr;

    const uint16_t dibBitCount = RoundUpToDibBitCount(bitCount);
    const std::uint64_t sizeImage = StrideOf(dibBitCount, width) * height;
    if (sizeImage > kMaxImageBytes) return nullptr;
    const uint32_t colours = dibBitCount <= 8 ? 1u << dibBitCount : 0;

    unsigned char header[kInfoHeaderSize] = {};
    WriteLe32(header, kInfoHeaderSize);
    WriteLe32(header + kOffWidth, width);
    WriteLe32(header + kOffHeight, height);
    WriteLe16(header + kOffPlanes, 1);
    WriteLe16(header + kOffBitCount, dibBitCount);
    WriteLe32(header + kOffSizeImage, static_cast<uint32_t>(sizeImage));
    WriteLe32(header + kOffXPelsPerMeter,
              static_cast<uint32_t>(PelsPerMeterOrDefault(m_xResolution)));
    WriteLe32(header + kOffYPelsPerMeter,
              static_cast<uint32_t>(PelsPerMeterOrDefault(m_yResolution)));
    WriteLe32(header + kOffClrUsed, colours);
    WriteLe32(header + kOffClrImportant, colours);

    auto* block = static_cast<unsigned char*>(GetPlatform().AllocateZeroed(BlockSizeOf(header)));
    if (!block) return nullptr;
    std::memcpy(block, header, kInfoHeaderSize);
    return block;
}

BackgroundBitmap::AllocResult BackgroundBitmap::AllocDib() {
    FreeDib();
    unsigned char* block = CreateDib(m_width, m_height, m_bitCount);
    if (!block) return kAllocFailed;
    // Released through the platform that is in use at the time.
    m_dib.reset(block, [](unsigned char* dib) { GetPlatform().Free(dib); });
    m_blockSize = BlockSizeOf(block);
    return kAllocated;
}

unsigned char* BackgroundBitmap::GetBits(unsigned char* block) {
    return block + HeaderSize(block) + GetPaletteSize(block);
}

uint16_t BackgroundBitmap::GetPaletteSize(const unsigned char* block) {
    const unsigned entrySize = HeaderSize(block) == kInfoHeaderSize ? 4 : 3;
    return static_cast<uint16_t>(GetNumColors(block) * entrySize);
}

uint16_t BackgroundBitmap::GetNumColors(const unsigned char* block) {
    const bool infoHeader = HeaderSize(block) == kInfoHeaderSize;
    if (infoHeader) {
        uint32_t used = ReadLe32(block + kOffClrUsed);
        if (used != 0) return static_cast<uint16_t>(used);
    }
    switch (ReadLe16(block + (infoHeader ? kOffBitCount : kOffCoreBitCount))) {
        case 1:
            return 2;
        case 4:
            return 16;
        case 8:
            return 256;
        default:
            return 0;
    }
}

unsigned char* BackgroundBitmap::GetPalette() const {
    return m_dib ? m_dib.get() + kInfoHeaderSize : nullptr;
}

std::uint64_t BackgroundBitmap::GetPixelBytes() const {
    if (!m_dib) return 0;
    std::uint64_t before = HeaderSize(m_dib.get()) + std::uint64_t{GetPaletteSize(m_dib.get())};
    return m_blockSize > before ? m_blockSize - before : 0;
}

int32_t BackgroundBitmap::DpiToPelsPerMeter(int32_t dpi) {
    // In 64 bits, so that no resolution overflows the product.
    double pels = static_cast<double>(std::int64_t{dpi} * 100) * 0.39370078740157477;
    if (pels >= std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (pels <= std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(pels);
}

}  // namespace aro
