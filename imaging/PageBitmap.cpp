#include "imaging/PageBitmap.h"

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
    return dpi == 0 ? kPelsPerMeterAt72Dpi : PageBitmap::DpiToPelsPerMeter(dpi);
}

uint32_t HeaderSize(const unsigned char* block) {
    return ReadLe32(block);
}

// Header, palette, rows and spare bytes of one of our own blocks.
std::uint64_t BlockSizeOf(const unsigned char* block) {
    return HeaderSize(block) + std::uint64_t{PageBitmap::GetPaletteSize(block)} +
           ReadLe32(block + kOffSizeImage) + kSpareBytes;
}

}  // namespace

PageBitmap& PageBitmap::Reset() {
    Clear();
    FreeDib();
    SetXResolution(0);
    SetYResolution(0);
    return *this;
}

void PageBitmap::Clear() {
    m_wBitCount = 0;
    m_dwDirectoryCount = 0;
    m_dwDirectory = 0;
    m_dwWidth = 0;
    m_dwHeight = 0;
    m_nXResolution = 0;
    m_nYResolution = 0;
    m_dwCompression = 1;
    m_dwFormat = 0;
    m_nState = 4;
}

void PageBitmap::FreeDib() {
    m_hDib.reset();
    m_dwBlockSize = 0;
}

void PageBitmap::ShareDib(const PageBitmap& source) {
    m_wBitCount = source.m_wBitCount;
    m_dwDirectoryCount = source.m_dwDirectoryCount;
    m_dwDirectory = source.m_dwDirectory;
    m_dwWidth = source.m_dwWidth;
    m_dwHeight = source.m_dwHeight;
    m_nXResolution = source.m_nXResolution;
    m_nYResolution = source.m_nYResolution;
    m_dwCompression = source.m_dwCompression;
    m_dwFormat = source.m_dwFormat;
    m_nState = source.m_nState;
    m_hDib = source.m_hDib;
    m_dwBlockSize = source.m_dwBlockSize;
}

uint32_t PageBitmap::GetStride() const {
    std::uint64_t stride = StrideOf(m_wBitCount, m_dwWidth);
    // Such a row could never lie inside a block; GetRow then refuses it.
    if (stride > std::numeric_limits<uint32_t>::max()) return std::numeric_limits<uint32_t>::max();
    return static_cast<uint32_t>(stride);
}

unsigned char* PageBitmap::GetRow(uint32_t index) const {
    if (!m_hDib || index >= m_dwHeight) return nullptr;
    std::uint64_t stride = GetStride();
    // The attributes may describe more than the block holds (a bit count
    // that the block was rounded from): only rows inside the pixel area.
    std::uint64_t pixelBytes = GetPixelBytes();
    std::uint64_t rowBytes = pixelBytes > kSpareBytes ? pixelBytes - kSpareBytes : 0;
    if (stride == 0 || (std::uint64_t{index} + 1) * stride > rowBytes) return nullptr;
    return GetBits(m_hDib.get()) + index * stride;
}

void PageBitmap::SetXResolution(int32_t dpi) {
    m_nXResolution = dpi == 0 ? kDefaultDpi : dpi;
    if (m_hDib)
        WriteLe32(m_hDib.get() + kOffXPelsPerMeter,
                  static_cast<uint32_t>(DpiToPelsPerMeter(m_nXResolution)));
}

void PageBitmap::SetYResolution(int32_t dpi) {
    m_nYResolution = dpi == 0 ? kDefaultDpi : dpi;
    if (m_hDib)
        WriteLe32(m_hDib.get() + kOffYPelsPerMeter,
                  static_cast<uint32_t>(DpiToPelsPerMeter(m_nYResolution)));
}

unsigned char* PageBitmap::CreateDib(uint32_t width, uint32_t height, uint16_t bitCount) const {
    if (width == 0) {
        width = m_dwWidth;
        height = m_dwHeight;
        bitCount = m_wBitCount;
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
              static_cast<uint32_t>(PelsPerMeterOrDefault(m_nXResolution)));
    WriteLe32(header + kOffYPelsPerMeter,
              static_cast<uint32_t>(PelsPerMeterOrDefault(m_nYResolution)));
    WriteLe32(header + kOffClrUsed, colours);
    WriteLe32(header + kOffClrImportant, colours);

    auto* block = static_cast<unsigned char*>(GetPlatform().AllocateZeroed(BlockSizeOf(header)));
    if (!block) return nullptr;
    std::memcpy(block, header, kInfoHeaderSize);
    return block;
}

PageBitmap::AllocResult PageBitmap::AllocDib() {
    FreeDib();
    unsigned char* block = CreateDib(m_dwWidth, m_dwHeight, m_wBitCount);
    if (!block) return kAllocFailed;
    // Released through the platform that is in use at the time.
    m_hDib.reset(block, [](unsigned char* dib) { GetPlatform().Free(dib); });
    m_dwBlockSize = BlockSizeOf(block);
    return kAllocated;
}

unsigned char* PageBitmap::GetBits(unsigned char* block) {
    return block + HeaderSize(block) + GetPaletteSize(block);
}

uint16_t PageBitmap::GetPaletteSize(const unsigned char* block) {
    const unsigned entrySize = HeaderSize(block) == kInfoHeaderSize ? 4 : 3;
    return static_cast<uint16_t>(GetNumColors(block) * entrySize);
}

uint16_t PageBitmap::GetNumColors(const unsigned char* block) {
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

unsigned char* PageBitmap::GetPalette() const {
    return m_hDib ? m_hDib.get() + kInfoHeaderSize : nullptr;
}

std::uint64_t PageBitmap::GetPixelBytes() const {
    if (!m_hDib) return 0;
    std::uint64_t before = HeaderSize(m_hDib.get()) + std::uint64_t{GetPaletteSize(m_hDib.get())};
    return m_dwBlockSize > before ? m_dwBlockSize - before : 0;
}

int32_t PageBitmap::DpiToPelsPerMeter(int32_t dpi) {
    // In 64 bits, so that no resolution overflows the product.
    double pels = static_cast<double>(std::int64_t{dpi} * 100) * 0.39370078740157477;
    if (pels >= std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (pels <= std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(pels);
}

}  // namespace aro
