#include "unit/TiffTestImages.h"

#include "imaging/BackgroundBitmap.h"

#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

namespace aro::test {

namespace {

void SetFields(TIFF* tif, const TiffImageRecipe& recipe) {
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, recipe.width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, recipe.height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, recipe.bitsPerSample);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, recipe.samplesPerPixel);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, recipe.photometric);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, recipe.compression);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, recipe.planarConfig);
    if (recipe.fillOrder) TIFFSetField(tif, TIFFTAG_FILLORDER, recipe.fillOrder);
    if (recipe.xResolution > 0) TIFFSetField(tif, TIFFTAG_XRESOLUTION, recipe.xResolution);
    if (recipe.yResolution > 0) TIFFSetField(tif, TIFFTAG_YRESOLUTION, recipe.yResolution);
    if (recipe.resolutionUnit) TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, recipe.resolutionUnit);
    if (!recipe.extraSamples.empty()) {
        std::vector<uint16_t> extra = recipe.extraSamples;
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, static_cast<uint16_t>(extra.size()), extra.data());
    }
    if (!recipe.colourMap.empty()) {
        const std::size_t n = recipe.colourMap.size() / 3;
        std::vector<uint16_t> map = recipe.colourMap;
        TIFFSetField(tif, TIFFTAG_COLORMAP, map.data(), map.data() + n, map.data() + 2 * n);
    }
    if (recipe.jpegFromRgb) TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    if (recipe.tileWidth) {
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, recipe.tileWidth);
        TIFFSetField(tif, TIFFTAG_TILELENGTH, recipe.tileLength);
    } else {
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP,
                     recipe.rowsPerStrip ? recipe.rowsPerStrip : recipe.height);
    }
}

bool WriteScanlines(TIFF* tif, const TiffRows& rows) {
    for (uint32_t y = 0; y < rows.size(); ++y) {
        std::vector<unsigned char> row = rows[y];
        if (TIFFWriteScanline(tif, row.data(), y, 0) != 1) return false;
    }
    return true;
}

// Separate planes of 8-bit samples: plane s holds sample s of every pixel.
bool WritePlanes(TIFF* tif, const TiffImageRecipe& recipe, const TiffRows& rows) {
    for (uint16_t s = 0; s < recipe.samplesPerPixel; ++s) {
        for (uint32_t y = 0; y < rows.size(); ++y) {
            std::vector<unsigned char> plane(recipe.width);
            for (uint32_t x = 0; x < recipe.width; ++x)
                plane[x] = rows[y][std::size_t{x} * recipe.samplesPerPixel + s];
            if (TIFFWriteScanline(tif, plane.data(), y, s) != 1) return false;
        }
    }
    return true;
}

bool WriteTiles(TIFF* tif, const TiffImageRecipe& recipe, const TiffRows& rows) {
    const std::size_t bitsPerPixel = std::size_t{recipe.bitsPerSample} * recipe.samplesPerPixel;
    const std::size_t tileRowBytes = TIFFTileRowSize(tif);
    std::vector<unsigned char> tile(TIFFTileSize(tif));
    for (uint32_t y0 = 0; y0 < recipe.height; y0 += recipe.tileLength) {
        for (uint32_t x0 = 0; x0 < recipe.width; x0 += recipe.tileWidth) {
            std::fill(tile.begin(), tile.end(), 0);
            const std::size_t offset = x0 * bitsPerPixel / 8;
            const uint32_t columns = std::min(recipe.tileWidth, recipe.width - x0);
            const std::size_t bytes = (columns * bitsPerPixel + 7) / 8;
            for (uint32_t r = 0; r < recipe.tileLength && y0 + r < recipe.height; ++r)
                std::memcpy(&tile[r * tileRowBytes], &rows[y0 + r][offset], bytes);
            if (TIFFWriteTile(tif, tile.data(), x0, y0, 0, 0) < 0) return false;
        }
    }
    return true;
}

}  // namespace

bool WriteTiff(const std::string& path, const std::vector<TiffImageRecipe>& images,
               const std::vector<TiffRows>& rows, const char* mode) {
    TIFF* tif = TIFFOpen(path.c_str(), mode);
    if (!tif) return false;
    bool ok = true;
    for (std::size_t i = 0; ok && i < images.size(); ++i) {
        SetFields(tif, images[i]);
        if (images[i].tileWidth)
            ok = WriteTiles(tif, images[i], rows[i]);
        else if (images[i].planarConfig == PLANARCONFIG_SEPARATE)
            ok = WritePlanes(tif, images[i], rows[i]);
        else
            ok = WriteScanlines(tif, rows[i]);
        ok = ok && TIFFWriteDirectory(tif);
    }
    TIFFClose(tif);
    return ok;
}

TiffRows BitRows(const std::vector<std::string>& pattern) {
    TiffRows rows;
    for (const std::string& text : pattern) {
        std::vector<unsigned char> row((text.size() + 7) / 8);
        for (std::size_t x = 0; x < text.size(); ++x)
            if (text[x] == '#') row[x / 8] |= static_cast<unsigned char>(0x80 >> (x % 8));
        rows.push_back(row);
    }
    return rows;
}

bool PatchTagValue(std::vector<unsigned char>& file, uint16_t tag, uint32_t value) {
    if (file.size() < 8) return false;
    const bool bigEndian = file[0] == 'M';
    auto read = [&](std::size_t at, int bytes) {
        uint32_t number = 0;
        for (int i = 0; i < bytes; ++i)
            number |= static_cast<uint32_t>(file[at + i]) << 8 * (bigEndian ? bytes - 1 - i : i);
        return number;
    };
    auto write = [&](std::size_t at, int bytes, uint32_t number) {
        for (int i = 0; i < bytes; ++i)
            file[at + i] =
                static_cast<unsigned char>(number >> 8 * (bigEndian ? bytes - 1 - i : i));
    };
    const uint32_t directory = read(4, 4);
    const uint32_t entries = read(directory, 2);
    for (uint32_t i = 0; i < entries; ++i) {
        const std::size_t entry = directory + 2 + 12 * std::size_t{i};
        if (read(entry, 2) != tag) continue;
        const bool shortValue = read(entry + 2, 2) == 3 && read(entry + 4, 4) == 1;
        write(entry + 8, 4, 0);
        write(entry + 8, shortValue ? 2 : 4, value);
        return true;
    }
    return false;
}

int BitAt(const BackgroundBitmap& bitmap, uint32_t x, uint32_t y) {
    const unsigned char* row = bitmap.GetRow(bitmap.GetHeight() - 1 - y);
    return row[x / 8] >> (7 - x % 8) & 1;
}

int IndexAt(const BackgroundBitmap& bitmap, uint32_t x, uint32_t y) {
    const unsigned char* row = bitmap.GetRow(bitmap.GetHeight() - 1 - y);
    if (bitmap.GetBitCount() == 8) return row[x];
    return x % 2 ? row[x / 2] & 0x0F : row[x / 2] >> 4;
}

std::array<int, 3> BgrAt(const BackgroundBitmap& bitmap, uint32_t x, uint32_t y) {
    const unsigned char* pixel = bitmap.GetRow(bitmap.GetHeight() - 1 - y) + 3 * std::size_t{x};
    return {pixel[0], pixel[1], pixel[2]};
}

std::array<int, 3> PaletteBgr(const BackgroundBitmap& bitmap, unsigned index) {
    const unsigned char* entry = bitmap.GetPalette() + 4 * index;
    return {entry[0], entry[1], entry[2]};
}

std::vector<unsigned char> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool WriteFileBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

RawTiffBuilder::RawTiffBuilder() : m_bytes{'I', 'I', 42, 0, 0, 0, 0, 0} {}

uint32_t RawTiffBuilder::AddDirectory(const std::vector<std::vector<uint32_t>>& entries,
                                      uint32_t next) {
    const auto offset = static_cast<uint32_t>(m_bytes.size());
    m_bytes.resize(m_bytes.size() + 2 + entries.size() * 12 + 4);
    Put16(offset, static_cast<uint16_t>(entries.size()));
    uint32_t at = offset + 2;
    for (const auto& entry : entries) {
        Put16(at, static_cast<uint16_t>(entry[0]));
        Put16(at + 2, static_cast<uint16_t>(entry[1]));
        Put32(at + 4, entry[2]);
        if (entry[1] == 3 && entry[2] == 1)
            Put16(at + 8, static_cast<uint16_t>(entry[3]));
        else
            Put32(at + 8, entry[3]);
        at += 12;
    }
    Put32(at, next);
    return offset;
}

void RawTiffBuilder::SetFirstDirectory(uint32_t offset) {
    Put32(4, offset);
}

void RawTiffBuilder::Put16(uint32_t at, uint16_t value) {
    if (m_bytes.size() < at + 2u) m_bytes.resize(at + 2u);
    m_bytes[at] = static_cast<unsigned char>(value);
    m_bytes[at + 1] = static_cast<unsigned char>(value >> 8);
}

void RawTiffBuilder::Put32(uint32_t at, uint32_t value) {
    if (m_bytes.size() < at + 4u) m_bytes.resize(at + 4u);
    for (int i = 0; i < 4; ++i) m_bytes[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

}  // namespace aro::test
