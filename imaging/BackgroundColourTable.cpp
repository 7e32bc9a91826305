#include "imaging/BackgroundColourTable.h"

#include <tiffio.h>

#include <cstdint>

#include "imaging/BackgroundBitmap.h"
#include "imaging/BackgroundImageInfo.h"

namespace aro {

namespace {

// The palette of the bitmap's block, entries of blue, green, red, 0.
class Palette {
public:
    explicit Palette(BackgroundBitmap& bitmap)
        : m_entries(bitmap.GetPalette()),
          m_count(bitmap.GetDib() ? BackgroundBitmap::GetNumColors(bitmap.GetDib()) : 0) {}

    void Set(unsigned index, unsigned char red, unsigned char green, unsigned char blue) {
        if (!m_entries || index >= m_count) return;
        unsigned char* entry = m_entries + index * 4;
        entry[0] = blue;
        entry[1] = green;
        entry[2] = red;
    }
    void SetGrey(unsigned index, unsigned char level) { Set(index, level, level, level); }

private:
    unsigned char* m_entries;
    unsigned m_count;
};

bool IsCcitt(uint16_t compression) {
    return compression == COMPRESSION_CCITTRLE || compression == COMPRESSION_CCITTFAX3 ||
           compression == COMPRESSION_CCITTFAX4;
}

void WriteBilevelTable(const BackgroundImageInfo& info, Palette& palette) {
    // CCITT images are taken as 0 = white whatever they claim.
    const bool zeroIsBlack =
        info.photometric == PHOTOMETRIC_MINISBLACK && !IsCcitt(info.compression);
    palette.SetGrey(0, zeroIsBlack ? 0 : 255);
    palette.SetGrey(1, zeroIsBlack ? 255 : 0);
}

void WriteGreyTable(const BackgroundImageInfo& info, Palette& palette) {
    const bool zeroIsBlack = info.photometric == PHOTOMETRIC_MINISBLACK;
    const bool fourBits = uint32_t{info.samplesPerPixel} * info.bitsPerSample == 4;
    const unsigned entries = fourBits ? 16 : 256;
    const unsigned step = fourBits ? 17 : 1;
    for (unsigned i = 0; i < entries; ++i) {
        const unsigned level = i * step;
        palette.SetGrey(i, static_cast<unsigned char>(zeroIsBlack ? level : 255 - level));
    }
}

void WriteColourMap(TIFF* tif, const BackgroundImageInfo& info, Palette& palette) {
    uint16_t* red = nullptr;
    uint16_t* green = nullptr;
    uint16_t* blue = nullptr;
    if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue) || !red || !green || !blue)
        return;
    // libtiff holds 2^BitsPerSample entries; palette images have at most 8 bits.
    const unsigned entries = 1u << info.bitsPerSample;
    bool sixteenBit = false;
    for (unsigned i = 0; i < entries; ++i)
        if (red[i] >= 256 || green[i] >= 256 || blue[i] >= 256) sixteenBit = true;
    const int shift = sixteenBit ? 8 : 0;
    for (unsigned i = 0; i < entries; ++i)
        palette.Set(i, static_cast<unsigned char>(red[i] >> shift),
                    static_cast<unsigned char>(green[i] >> shift),
                    static_cast<unsigned char>(blue[i] >> shift));
}

}  // namespace

void WriteBackgroundColourTable(TIFF* tif, const BackgroundImageInfo& info,
                                BackgroundBitmap& bitmap) {
    Palette palette(bitmap);
    if (info.bitsPerSample == 1) {
        WriteBilevelTable(info, palette);
    } else if (info.photometric == PHOTOMETRIC_MINISWHITE ||
               info.photometric == PHOTOMETRIC_MINISBLACK) {
        WriteGreyTable(info, palette);
    } else if (info.photometric == PHOTOMETRIC_PALETTE && info.bitsPerSample <= 8) {
        WriteColourMap(tif, info, palette);
    }
}

}  // namespace aro
