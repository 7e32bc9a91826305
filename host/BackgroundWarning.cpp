#include "BackgroundWarning.h"

#include <sys/stat.h>
#include <tiffio.h>

#include <cstdarg>

namespace aro::host {

namespace {

struct ImageKind {
    bool readable = false;
    uint16_t compression = COMPRESSION_NONE;
    uint16_t bits = 1;
    uint16_t samples = 1;
};

void Quiet(const char*, const char*, va_list) {}

ImageKind InspectImage(const std::string& path) {
    ImageKind kind;
    TIFFErrorHandler error = TIFFSetErrorHandler(&Quiet);
    TIFFErrorHandler warning = TIFFSetWarningHandler(&Quiet);
    if (TIFF* tiff = TIFFOpen(path.c_str(), "r")) {
        kind.readable = true;
        TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &kind.compression);
        TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &kind.bits);
        TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &kind.samples);
        TIFFClose(tiff);
    }
    TIFFSetErrorHandler(error);
    TIFFSetWarningHandler(warning);
    return kind;
}

std::string Depth(const ImageKind& kind) {
    return std::to_string(kind.bits * kind.samples) + " bits per pixel";
}

}  // namespace

std::string BackgroundValueName(bool firstPageOfFile, bool colour) {
    return std::string(firstPageOfFile ? "BackgroundImageFirstPage" : "BackgroundImageNextPages") +
           (colour ? "Color" : "");
}

std::string WhyBackgroundUnused(const std::string& path, bool colour, int status) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return "no such file";
    if (!S_ISREG(st.st_mode)) return "not a file";
    ImageKind kind = InspectImage(path);
    if (!kind.readable) return "not a readable TIFF file";
    const unsigned depth = kind.bits * kind.samples;
    if (status == -3 || (colour ? depth < 24 : depth != 1))
        return std::string(colour ? "a colour page needs a 24-bit image"
                                  : "a black-and-white page needs a 1-bit image") +
               ", this one has " + Depth(kind);
    if (kind.compression == COMPRESSION_DEFLATE || kind.compression == COMPRESSION_ADOBE_DEFLATE)
        return "Deflate compression is not read; save it uncompressed, LZW or Group 4";
    return "the module could not load it (compression " + std::to_string(kind.compression) + ", " +
           Depth(kind) + ")";
}

}  // namespace aro::host
