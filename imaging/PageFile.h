// What both page writers need to know about the TIFF file they write into:
// whether it still takes pages, and whether a page's fields took effect.
#pragma once

#include <cstdint>

namespace aro {

// The file takes no further page after a write into it failed; logged once.
void StopTakingPages();

// True when the page being written into the file is of this bitmap type.
bool PageIsOpen(int32_t bitmapFormat);

// Checks that the fields just set describe rows of rowBytes bytes: a file
// left in the middle of a failed directory keeps the earlier page's fields,
// and rows written under them would be read beyond the band. On success the
// page is open for bitmapFormat; otherwise the file takes no further page.
bool OpenPage(int32_t bitmapFormat, uint64_t rowBytes);

// The page is finished or given up: no page is open any more.
void ClosePage();

}  // namespace aro
