// Decoded background images kept between pages while their files stay the
// same, so that a letterhead is decoded once and not on every page.
#pragma once

#include "imaging/BackgroundLoader.h"
#include "imaging/BackgroundRowSpans.h"

namespace aro {

class BackgroundBitmap;

// Fills bitmap with the first image of the file at path. A decode kept from
// an earlier load is shared (not copied) while the file is still the same
// one: same path, volume, file number, size and modification time. Anything
// else reads the file; only a load that succeeded is kept. Returns what
// LoadTiffImage returns. The shared pixels are read only.
BackgroundLoadResult LoadCachedBackground(const char* path, BackgroundBitmap* bitmap);

// The row spans of the kept image whose pixels bitmap shares, for the
// merge; null when it shares none.
const BackgroundRowSpans* KeptRowSpans(const BackgroundBitmap& bitmap);

// Forgets every kept decode; each block goes with the last bitmap sharing it.
void ReleaseBackgroundCache();

}  // namespace aro
