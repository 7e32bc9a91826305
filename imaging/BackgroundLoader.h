// Reads background images (TIFF) into a PageBitmap and lays them under the
// page bands.
#pragma once

#include <cstdint>

#include "imaging/BackgroundRowSpans.h"

typedef struct tiff TIFF;

namespace aro {

class PageBitmap;

// What a background load gives.
enum BackgroundLoadResult : int {
    kBackgroundLoaded = 1,
    // Bad arguments, a file that cannot be opened, an unreadable image.
    kBackgroundLoadFailed = -1,
    kBackgroundCompressionUnsupported = -10,
};

// What a merge of the background into a band gives.
enum BackgroundMergeResult : int {
    kBackgroundMerged = 1,
    kMergeWithoutImage = -1,  // no bitmap or no band
    // Bits other than 1 or 24, or a background of another bit count.
    kMergeWrongBits = -2,
};

class BackgroundLoader {
public:
    // The one loader of the process. Creating it silences libtiff's warning
    // and error handlers for the rest of the process.
    static BackgroundLoader& Instance();

    BackgroundLoadResult LoadTiffImage(const char* path, PageBitmap* bitmap, uint32_t directory);
    BackgroundMergeResult MergeBackground(PageBitmap* background, unsigned char* band,
                                          uint32_t rows, uint32_t width, uint32_t firstRow,
                                          int bits);
    // The same, reading only the spans of the background's rows (found for
    // its pixels as they are now); null reads whole rows.
    BackgroundMergeResult MergeBackground(PageBitmap* background, unsigned char* band,
                                          uint32_t rows, uint32_t width, uint32_t firstRow,
                                          int bits, const BackgroundRowSpans* spans);
    // A private temporary copy of an RGB file whose single strip is marked
    // as separate planes, repaired and opened; null for any other file or
    // when the copy fails. tempName (260 bytes) receives the copy's name
    // (empty when there is none); the caller deletes the copy.
    TIFF* OpenRepairedCopy(const char* path, char* tempName);

    static bool NormalizeMonoPolarity(PageBitmap& bitmap);

private:
    BackgroundLoader();
};

}  // namespace aro
