// The fields of one TIFF directory that decide how a background image is
// read, and the rules derived from them.
#pragma once

#include <cstdint>

typedef struct tiff TIFF;

namespace aro {

struct BackgroundImageInfo {
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t bitsPerSample = 1;
    uint16_t samplesPerPixel = 1;
    uint16_t compression = 1;
    uint16_t photometric = 0;
    uint16_t planarConfig = 1;
    uint32_t tileWidth = 0;
    uint32_t tileLength = 0;
    bool tiled = false;
};

// Reads the current directory of an open file.
BackgroundImageInfo ReadBackgroundImageInfo(TIFF* tif);

// Compression codes the loader decodes: 1 to 7, PackBits and ThunderScan.
bool IsAcceptedCompression(uint16_t compression);

// SamplesPerPixel x BitsPerSample modulo 256 (BitsPerSample without samples).
uint16_t BackgroundBitCount(const BackgroundImageInfo& info);

// Images that are read through libtiff's RGBA interface and kept as 24 bits:
// 32 bits per pixel, YCbCr, old-style JPEG and separate colour planes.
bool NeedsRgbaRead(const BackgroundImageInfo& info);

// Whether the file's rows can be copied into bitmap rows as they are:
// 1, 4 or 8 bits per sample, and palette images of at most 8 bits.
bool HasBitmapRowLayout(const BackgroundImageInfo& info);

}  // namespace aro
