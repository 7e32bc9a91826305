// Hands a page to the module the way a printer driver does.
#pragma once

#include "ExitModule.h"
#include "JobOutcome.h"
#include "PrintBitmap.h"

namespace aro::host {

// startPageExit, then one endPageExit per band of bandRows rows from the
// top, each band a pointer into the page (the module works on it in place);
// the last band of the page is marked with bBanding 0. The page's first
// band's status is returned; when it is ARO_BAND_NO_FILE the page goes no
// further, as every later band would get the same answer.
int FeedPage(const ExitModule& module, PrintBitmap& page, unsigned bandRows, int dpi,
             JobOutcome* outcome);

}  // namespace aro::host
