// Reads background images (TIFF) into a BackgroundBitmap.
#pragma once

#include <cstdint>

typedef struct tiff TIFF;

namespace aro {

class BackgroundBitmap;

// What a background load gives.
enum BackgroundLoadResult : int {
    kBackgroundLoaded = 1,
    // Bad arguments, a file that cannot be opened, an unreadable image.
    kBackgroundLoadFailed = -1,
    kBackgroundCompressionUnsupported = -10,
};

// Fills bitmap with image number directory (1 for the first) of the TIFF
// file at path. A file whose single RGB strip is marked as separate planes
// is read from a repaired private copy. Silences libtiff's messages.
BackgroundLoadResult LoadTiffImage(const char* path, BackgroundBitmap* bitmap, uint32_t directory);

// A private temporary copy of an RGB file whose single strip is marked as
// separate planes, repaired and opened; null for any other file or when the
// copy fails. tempName (260 bytes) receives the copy's name (empty when
// there is none); the caller deletes the copy.
TIFF* OpenRepairedCopy(const char* path, char* tempName);

}  // namespace aro
