// Reads binary PNM images (P4 bitmap, P5 greymap, P6 pixmap) from a stream,
// one after the other: a file or a pipe may hold several.
#pragma once

#include <cstdio>
#include <string>

#include "RasterImage.h"

namespace aro::host {

struct PnmHeader {
    char format = 0;  // '4', '5' or '6'
    uint32_t width = 0;
    uint32_t height = 0;
    unsigned maxValue = 1;  // 1 for P4

    // Bytes of pixel data that follow the header.
    unsigned long long dataBytes() const;
};

enum class PnmRead { Image, End, Failed };

// Reads the header of the next image. End when only white space is left.
PnmRead ReadPnmHeader(std::FILE* in, PnmHeader* header, std::string* error);

// Reads the next image. Samples above 8 bits and maximum values other than
// 255 are scaled to 0..255.
PnmRead ReadPnmImage(std::FILE* in, RasterImage* image, std::string* error);

}  // namespace aro::host
