#include "PnmReader.h"

#include <cctype>

namespace aro::host {

namespace {

int SkipWhiteSpaceAndComments(std::FILE* in) {
    for (;;) {
        int c = std::fgetc(in);
        if (c == '#') {
            while (c != '\n' && c != '\r' && c != EOF) c = std::fgetc(in);
        }
        if (c == EOF || !std::isspace(c)) return c;
    }
}

// lastField: the number that ends the header, after which the pixel data
// starts right behind one white-space character.
bool ReadHeaderNumber(std::FILE* in, unsigned long limit, bool lastField, unsigned long* value) {
    int c = SkipWhiteSpaceAndComments(in);
    if (c == EOF || !std::isdigit(c)) return false;
    unsigned long number = 0;
    for (; c != EOF && std::isdigit(c); c = std::fgetc(in)) {
        number = number * 10 + static_cast<unsigned long>(c - '0');
        if (number > limit) return false;
    }
    // Exactly one white-space character ends the number; a comment may
    // follow it directly only between numbers, where the next read skips it.
    if (c == '#' && !lastField)
        std::ungetc(c, in);
    else if (c == EOF || !std::isspace(c))
        return false;
    *value = number;
    return true;
}

unsigned SampleCount(char format) {
    return format == '6' ? 3 : 1;
}

// Rows of rowBytes bytes that need no conversion, read straight into the
// image. The buffer grows with the data actually read, so a header that
// lies about the size cannot make us allocate it all.
bool ReadRowsAsTheyAre(std::FILE* in, size_t rowBytes, uint32_t rows, RasterImage* image) {
    for (uint32_t y = 0; y < rows; ++y) {
        size_t offset = image->pixels.size();
        image->pixels.resize(offset + rowBytes);
        if (std::fread(image->pixels.data() + offset, 1, rowBytes, in) != rowBytes) return false;
    }
    return true;
}

// Reads the rows of a P5 or P6 image, scaling the samples to 0..255.
bool ReadSamples(std::FILE* in, const PnmHeader& header, RasterImage* image) {
    const size_t samples = size_t{header.width} * SampleCount(header.format);
    if (header.maxValue == 255) return ReadRowsAsTheyAre(in, samples, header.height, image);
    const size_t sampleBytes = header.maxValue > 255 ? 2 : 1;
    std::vector<unsigned char> raw(samples * sampleBytes);
    for (uint32_t y = 0; y < header.height; ++y) {
        if (std::fread(raw.data(), 1, raw.size(), in) != raw.size()) return false;
        size_t offset = image->pixels.size();
        image->pixels.resize(offset + samples);
        unsigned char* out = image->pixels.data() + offset;
        for (size_t i = 0; i < samples; ++i) {
            unsigned value =
                sampleBytes == 2 ? (unsigned{raw[2 * i]} << 8 | raw[2 * i + 1]) : raw[i];
            if (value > header.maxValue) value = header.maxValue;
            out[i] =
                static_cast<unsigned char>((value * 255 + header.maxValue / 2) / header.maxValue);
        }
    }
    return true;
}

// Reads the rows of a P4 image.
bool ReadBits(std::FILE* in, const PnmHeader& header, RasterImage* image) {
    return ReadRowsAsTheyAre(in, (size_t{header.width} + 7) / 8, header.height, image);
}

}  // namespace

unsigned long long PnmHeader::dataBytes() const {
    unsigned long long rowBytes =
        format == '4' ? (width + 7ULL) / 8
                      : width * 1ULL * SampleCount(format) * (maxValue > 255 ? 2 : 1);
    return rowBytes * height;
}

PnmRead ReadPnmHeader(std::FILE* in, PnmHeader* header, std::string* error) {
    int c = SkipWhiteSpaceAndComments(in);
    if (c == EOF) return PnmRead::End;
    int format = std::fgetc(in);
    if (c != 'P' || (format != '4' && format != '5' && format != '6')) {
        *error = "not a binary PNM image (P4, P5 or P6)";
        return PnmRead::Failed;
    }
    unsigned long width = 0, height = 0, maxValue = 1;
    const bool bitmap = format == '4';
    if (!ReadHeaderNumber(in, kMaxPageSide, false, &width) ||
        !ReadHeaderNumber(in, kMaxPageSide, bitmap, &height) ||
        (!bitmap && !ReadHeaderNumber(in, 65535, true, &maxValue))) {
        *error = "malformed PNM header";
        return PnmRead::Failed;
    }
    if (width == 0 || height == 0 || maxValue == 0) {
        *error = "PNM image without pixels";
        return PnmRead::Failed;
    }
    header->format = static_cast<char>(format);
    header->width = static_cast<uint32_t>(width);
    header->height = static_cast<uint32_t>(height);
    header->maxValue = static_cast<unsigned>(maxValue);
    return PnmRead::Image;
}

PnmRead ReadPnmImage(std::FILE* in, RasterImage* image, std::string* error) {
    PnmHeader header;
    PnmRead result = ReadPnmHeader(in, &header, error);
    if (result != PnmRead::Image) return result;
    image->width = header.width;
    image->height = header.height;
    image->kind = header.format == '4'   ? PixelKind::Bilevel
                  : header.format == '5' ? PixelKind::Grey
                                         : PixelKind::Rgb;
    image->pixels.clear();
    bool complete =
        header.format == '4' ? ReadBits(in, header, image) : ReadSamples(in, header, image);
    if (!complete) {
        *error = "PNM image data cut short";
        image->pixels.clear();
        return PnmRead::Failed;
    }
    return PnmRead::Image;
}

}  // namespace aro::host
