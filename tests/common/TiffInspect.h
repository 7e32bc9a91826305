// Reads back the module's TIFF files for tests: tags of every page and the
// decoded pixels.
#pragma once

#include <tiffio.h>

#include <cstdint>
#include <string>
#include <vector>

namespace aro::test {

struct TiffPage {
    uint32_t width = 0, height = 0, rowsPerStrip = 0;
    uint16_t compression = 0, photometric = 0, samplesPerPixel = 0, bitsPerSample = 0,
             planarConfig = 0, resolutionUnit = 0, fillOrder = 0;
    float xResolution = 0, yResolution = 0;
    uint32_t strips = 0;
    bool hasPageNumber = false, hasSubfileType = false;
    // Tag numbers of the directory in file order.
    std::vector<uint16_t> tags;
    // Decoded rows: 1-bit pages as stored (set bit = black), packed
    // (width + 7) / 8 bytes a row; RGB pages 3 bytes a pixel.
    std::vector<std::vector<unsigned char>> rows;
};

inline bool ReadTiffPages(const std::string& path, std::vector<TiffPage>* pages) {
    TIFFSetWarningHandler(nullptr);
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (!tif) return false;
    do {
        TiffPage page;
        TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &page.width);
        TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &page.height);
        TIFFGetField(tif, TIFFTAG_ROWSPERSTRIP, &page.rowsPerStrip);
        TIFFGetField(tif, TIFFTAG_COMPRESSION, &page.compression);
        TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &page.photometric);
        TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &page.samplesPerPixel);
        TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &page.bitsPerSample);
        TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &page.planarConfig);
        TIFFGetField(tif, TIFFTAG_RESOLUTIONUNIT, &page.resolutionUnit);
        TIFFGetField(tif, TIFFTAG_XRESOLUTION, &page.xResolution);
        TIFFGetField(tif, TIFFTAG_YRESOLUTION, &page.yResolution);
        page.fillOrder = TIFFGetField(tif, TIFFTAG_FILLORDER, &page.fillOrder) ? page.fillOrder : 0;
        uint16_t a, b;
        page.hasPageNumber = TIFFGetField(tif, TIFFTAG_PAGENUMBER, &a, &b) != 0;
        uint32_t subfile;
        page.hasSubfileType = TIFFGetField(tif, TIFFTAG_SUBFILETYPE, &subfile) != 0;
        page.strips = TIFFNumberOfStrips(tif);
        if (page.photometric == PHOTOMETRIC_RGB && page.compression == COMPRESSION_JPEG)
            TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
        tmsize_t scanline = TIFFScanlineSize(tif);
        for (uint32_t y = 0; y < page.height; ++y) {
            std::vector<unsigned char> row(static_cast<size_t>(scanline));
            if (TIFFReadScanline(tif, row.data(), y, 0) != 1) break;
            page.rows.push_back(std::move(row));
        }
        pages->push_back(std::move(page));
    } while (TIFFReadDirectory(tif));
    TIFFClose(tif);
    return true;
}

// The tag numbers of every directory, in file order, read from the bytes.
inline std::vector<std::vector<uint16_t>> ReadDirectoryTags(const std::string& path) {
    std::vector<std::vector<uint16_t>> result;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return result;
    unsigned char header[8];
    if (std::fread(header, 1, 8, f) == 8 && header[0] == 'I') {
        uint32_t offset = header[4] | header[5] << 8 | header[6] << 16 | uint32_t(header[7]) << 24;
        for (int guard = 0; offset && guard < 10000; ++guard) {
            unsigned char count[2];
            if (std::fseek(f, offset, SEEK_SET) || std::fread(count, 1, 2, f) != 2) break;
            std::vector<uint16_t> tags;
            for (int i = 0; i < (count[0] | count[1] << 8); ++i) {
                unsigned char entry[12];
                if (std::fread(entry, 1, 12, f) != 12) break;
                tags.push_back(static_cast<uint16_t>(entry[0] | entry[1] << 8));
            }
            result.push_back(tags);
            unsigned char next[4];
            if (std::fread(next, 1, 4, f) != 4) break;
            offset = next[0] | next[1] << 8 | next[2] << 16 | uint32_t(next[3]) << 24;
        }
    }
    std::fclose(f);
    return result;
}

// True when every directory of a little-endian classic TIFF file lies
// within the file and the chain ends with a zero pointer: a reader walking
// the pages never runs into a directory that is not there.
inline bool DirectoryChainIsSound(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    std::fseek(f, 0, SEEK_END);
    const long size = std::ftell(f);
    auto readAt = [&](long offset, unsigned char* bytes, int count) {
        return offset >= 0 && offset + count <= size && !std::fseek(f, offset, SEEK_SET) &&
               std::fread(bytes, 1, count, f) == static_cast<size_t>(count);
    };
    unsigned char bytes[4];
    bool sound = readAt(4, bytes, 4);
    long offset = bytes[0] | bytes[1] << 8 | bytes[2] << 16 | long(bytes[3]) << 24;
    for (int guard = 0; sound && offset && guard < 10000; ++guard) {
        sound = readAt(offset, bytes, 2);
        const long next = offset + 2 + 12L * (bytes[0] | bytes[1] << 8);
        sound = sound && readAt(next, bytes, 4);
        offset = bytes[0] | bytes[1] << 8 | bytes[2] << 16 | long(bytes[3]) << 24;
    }
    std::fclose(f);
    return sound && offset == 0;
}

}  // namespace aro::test
