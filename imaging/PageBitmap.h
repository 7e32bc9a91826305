// An in-memory device-independent bitmap in the Windows DIB layout: a
// 40-byte BITMAPINFOHEADER, the palette and bottom-up pixel rows in one
// zero-filled block, plus the attributes that describe the image. Holds the
// background image that is laid under the pages.
#pragma once

#include <cstdint>
#include <memory>

namespace aro {

class PageBitmap {
public:
    PageBitmap() = default;
    virtual ~PageBitmap() = default;
    PageBitmap(const PageBitmap&) = delete;
    PageBitmap& operator=(const PageBitmap&) = delete;

    // Empty the object and forget the block (called once on a new object).
    PageBitmap& Reset();
    // Empty the attributes; the block stays referenced until AllocDib or FreeDib.
    void Clear();
    // Release the block, if any (the memory goes when no bitmap shares it).
    void FreeDib();
    // Take another bitmap's attributes and share its block instead of a
    // copy; a shared block must then be read only.
    void ShareDib(const PageBitmap& source);

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
    unsigned char* GetDib() const { return m_hDib.get(); }
    // Bytes in the block after the header and palette (the pixel rows and
    // the spare bytes); 0 without a block.
    std::uint64_t GetPixelBytes() const;

    uint16_t GetBitCount() const { return m_wBitCount; }
    uint32_t GetDirectoryCount() const { return m_dwDirectoryCount; }
    uint32_t GetDirectory() const { return m_dwDirectory; }
    uint32_t GetWidth() const { return m_dwWidth; }
    uint32_t GetHeight() const { return m_dwHeight; }
    int32_t GetXResolution() const { return m_nXResolution; }
    int32_t GetYResolution() const { return m_nYResolution; }
    uint32_t GetCompression() const { return m_dwCompression; }
    uint32_t GetFormat() const { return m_dwFormat; }
    int32_t GetState() const { return m_nState; }

    void SetBitCount(uint16_t value) { m_wBitCount = value; }
    void SetDirectoryCount(uint32_t value) { m_dwDirectoryCount = value; }
    void SetDirectory(uint32_t value) { m_dwDirectory = value; }
    void SetWidth(uint32_t value) { m_dwWidth = value; }
    void SetHeight(uint32_t value) { m_dwHeight = value; }
    void SetCompression(uint32_t value) { m_dwCompression = value; }
    void SetFormat(uint32_t value) { m_dwFormat = value; }
    void SetState(int32_t value) { m_nState = value; }

    // DpiToPelsPerMeter: dpi x 100, then x (1 / 2.54), truncated.
    static int32_t DpiToPelsPerMeter(int32_t dpi);

private:
    uint16_t m_wBitCount = 0;
    uint32_t m_dwDirectoryCount = 0;
    uint32_t m_dwDirectory = 0;
    uint32_t m_dwWidth = 0;
    uint32_t m_dwHeight = 0;
    int32_t m_nXResolution = 0;
    int32_t m_nYResolution = 0;
    uint32_t m_dwCompression = 1;
    uint32_t m_dwFormat = 0;
    int32_t m_nState = 4;
    std::shared_ptr<unsigned char> m_hDib;
    std::uint64_t m_dwBlockSize = 0;  // size of m_hDib, for bounds checks
};

}  // namespace aro
