// An in-memory device-independent bitmap in the Windows DIB layout: a
// 40-byte BITMAPINFOHEADER, the palette and bottom-up pixel rows in one
// zero-filled block, plus the attributes that describe the image. Holds the
// background image that is laid under the pages.
#pragma once

#include <cstdint>
#include <memory>

namespace aro {

class BackgroundBitmap {
public:
    BackgroundBitmap() = default;
    virtual ~BackgroundBitmap() = default;
    BackgroundBitmap(const BackgroundBitmap&) = delete;
    BackgroundBitmap& operator=(const BackgroundBitmap&) = delete;

    // Empty the object and forget the block (called once on a new object).
    BackgroundBitmap& Reset();
    // Empty the attributes; the block stays referenced until AllocDib or FreeDib.
    void Clear();
    // Release the block, if any (the memory goes when no bitmap shares it).
    void FreeDib();
    // Take another bitmap's attributes and share its block instead of a
    // copy; a shared block must then be read only.
    void ShareDib(const BackgroundBitmap& source);

    uint32_t GetStride() const;
    // Row index counts from the bottom row of the image; null when out of range.
    unsigned char* GetRow(uint32_t index) const;
    void SetXResolution(int32_t dpi);
    void SetYResolution(int32_t dpi);

    // A new block for the image (width 0 takes the object's attributes);
    // does not change the object. Null when the allocation fails.
    unsigned char* CreateDib(uint32_t width, uint32_t height, uint16_t bitCount) const;
    enum AllocResult : int { kAllocated = 1, kAllocFailed = -1 };
    // Replace the block by one for the current attributes.
    AllocResult AllocDib();

    static unsigned char* GetBits(unsigned char* block);
    static uint16_t GetPaletteSize(const unsigned char* block);
    static uint16_t GetNumColors(const unsigned char* block);
    unsigned char* GetPalette() const;
    unsigned char* GetDib() const { return m_dib.get(); }
    // Bytes in the block after the header and palette (the pixel rows and
    // the spare bytes); 0 without a block.
    std::uint64_t GetPixelBytes() const;

    uint16_t GetBitCount() const { return m_bitCount; }
    uint32_t GetDirectoryCount() const { return m_directoryCount; }
    uint32_t GetDirectory() const { return m_directory; }
    uint32_t GetWidth() const { return m_width; }
    uint32_t GetHeight() const { return m_height; }
    int32_t GetXResolution() const { return m_xResolution; }
    int32_t GetYResolution() const { return m_yResolution; }
    uint32_t GetCompression() const { return m_compression; }
    uint32_t GetFormat() const { return m_format; }
    int32_t GetState() const { return m_state; }

    void SetBitCount(uint16_t value) { m_bitCount = value; }
    void SetDirectoryCount(uint32_t value) { m_directoryCount = value; }
    void SetDirectory(uint32_t value) { m_directory = value; }
    void SetWidth(uint32_t value) { m_width = value; }
    void SetHeight(uint32_t value) { m_height = value; }
    void SetCompression(uint32_t value) { m_compression = value; }
    void SetFormat(uint32_t value) { m_format = value; }
    void SetState(int32_t value) { m_state = value; }

    // DpiToPelsPerMeter: dpi x 100, then x (1 / 2.54), truncated.
    static int32_t DpiToPelsPerMeter(int32_t dpi);

private:
    uint16_t m_bitCount = 0;
    uint32_t m_directoryCount = 0;
    uint32_t m_directory = 0;
    uint32_t m_width = 0;
    uint32_t m_height = 0;
    int32_t m_xResolution = 0;
    int32_t m_yResolution = 0;
    uint32_t m_compression = 1;
    uint32_t m_format = 0;
    int32_t m_state = 4;
    std::shared_ptr<unsigned char> m_dib;
    std::uint64_t m_blockSize = 0;  // size of m_dib, for bounds checks
};

}  // namespace aro
