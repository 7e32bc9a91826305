// Builds small TIFF files with libtiff for the background loader's tests.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace aro {
class BackgroundBitmap;
}

namespace aro::test {

// One image; every field left at 0 is not written.
struct TiffImageRecipe {
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t bitsPerSample = 1;
    uint16_t samplesPerPixel = 1;
    uint16_t photometric = 0;
    uint16_t compression = 1;
    uint16_t fillOrder = 0;
    uint16_t planarConfig = 1;
    uint32_t rowsPerStrip = 0;  // 0: the whole image in one strip
    uint32_t tileWidth = 0;     // with tileLength: a tiled image
    uint32_t tileLength = 0;
    float xResolution = 0;
    float yResolution = 0;
    uint16_t resolutionUnit = 0;
    std::vector<uint16_t> extraSamples;  // ExtraSamples values
    std::vector<uint16_t> colourMap;     // red, green, blue arrays one after another
    bool jpegFromRgb = false;            // YCbCr JPEG fed with RGB rows
};

// File rows, top row first, each as the file stores it (packed samples).
using TiffRows = std::vector<std::vector<unsigned char>>;

// Writes one directory per image into a new file (libtiff open mode "w",
// or "wb" for big-endian); false on any failure.
bool WriteTiff(const std::string& path, const std::vector<TiffImageRecipe>& images,
               const std::vector<TiffRows>& rows, const char* mode = "w");
inline bool WriteTiff(const std::string& path, const TiffImageRecipe& recipe, const TiffRows& rows,
                      const char* mode = "w") {
    return WriteTiff(path, std::vector<TiffImageRecipe>{recipe}, std::vector<TiffRows>{rows}, mode);
}

// Rewrites the value of the first directory's entry for tag, in the file's
// byte order; false when there is no such entry.
bool PatchTagValue(std::vector<unsigned char>& file, uint16_t tag, uint32_t value);

// Rows of a 1-bit image from text rows of '#' (bit 1) and '.' (bit 0).
TiffRows BitRows(const std::vector<std::string>& pattern);

// Rows of width x height pixels of `samples` 8-bit samples, where sample s
// of pixel (x, y) is value(x, y, s).
template <typename Value>
TiffRows ByteRows(uint32_t width, uint32_t height, unsigned samples, Value value) {
    TiffRows rows(height, std::vector<unsigned char>(std::size_t{width} * samples));
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            for (unsigned s = 0; s < samples; ++s)
                rows[y][std::size_t{x} * samples + s] = static_cast<unsigned char>(value(x, y, s));
    return rows;
}

// Pixel probes; y counts from the image's top row.
int BitAt(const BackgroundBitmap& bitmap, uint32_t x, uint32_t y);
int IndexAt(const BackgroundBitmap& bitmap, uint32_t x, uint32_t y);  // 4 and 8 bits
std::array<int, 3> BgrAt(const BackgroundBitmap& bitmap, uint32_t x, uint32_t y);
std::array<int, 3> PaletteBgr(const BackgroundBitmap& bitmap, unsigned index);

std::vector<unsigned char> ReadFileBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, const std::vector<unsigned char>& bytes);

// Little-endian classic TIFF bytes built entry by entry, for malformed files.
class RawTiffBuilder {
public:
    RawTiffBuilder();
    // Appends a directory of the given (tag, type, count, value) entries and
    // returns its offset; next is the following directory's offset.
    uint32_t AddDirectory(const std::vector<std::vector<uint32_t>>& entries, uint32_t next);
    void SetFirstDirectory(uint32_t offset);
    void Put16(uint32_t at, uint16_t value);
    void Put32(uint32_t at, uint32_t value);
    std::vector<unsigned char>& bytes() { return m_bytes; }

private:
    std::vector<unsigned char> m_bytes;
};

}  // namespace aro::test
