#include "imaging/BackgroundImageInfo.h"

#include <tiffio.h>

namespace aro {

namespace {

constexpr uint16_t kCompressionThunderScan = 32809;

}  // namespace

BackgroundImageInfo ReadBackgroundImageInfo(TIFF* tif) {
    BackgroundImageInfo info;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &info.width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &info.height);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &info.bitsPerSample);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &info.samplesPerPixel);
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &info.compression);
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &info.photometric);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &info.planarConfig);
    TIFFGetField(tif, TIFFTAG_TILEWIDTH, &info.tileWidth);
    TIFFGetField(tif, TIFFTAG_TILELENGTH, &info.tileLength);
    info.tiled = TIFFIsTiled(tif) != 0;
    return info;
}

bool IsAcceptedCompression(uint16_t compression) {
    return (compression >= COMPRESSION_NONE && compression <= COMPRESSION_JPEG) ||
           compression == COMPRESSION_PACKBITS || compression == kCompressionThunderScan;
}

uint16_t BackgroundBitCount(const BackgroundImageInfo& info) {
    if (info.samplesPerPixel == 0) return info.bitsPerSample;
    return static_cast<uint16_t>(uint32_t{info.samplesPerPixel} * info.bitsPerSample % 256);
}

bool NeedsRgbaRead(const BackgroundImageInfo& info) {
    return BackgroundBitCount(info) == 32 || info.photometric == PHOTOMETRIC_YCBCR ||
           info.compression == COMPRESSION_OJPEG ||
           (info.planarConfig == PLANARCONFIG_SEPARATE && info.samplesPerPixel > 1);
}

bool HasBitmapRowLayout(const BackgroundImageInfo& info) {
    const uint16_t bits = info.bitsPerSample;
    if (bits != 1 && bits != 4 && bits != 8) return false;
    if (info.photometric == PHOTOMETRIC_PALETTE && uint32_t{info.samplesPerPixel} * bits > 8)
        return false;
    return true;
}

}  // namespace aro
