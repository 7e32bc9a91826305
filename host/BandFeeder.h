// Hands a page to the module the way a printer driver does.
#pragma once

#include "ExitModule.h"
#include "JobOutcome.h"
#include "PrintBitmap.h"

namespace aro::host {

// startPageExit, then one endPageExit per band of bandRows rows from the
// top, each band a pointer into the page (the module works on it in place);
// the last band of the page is marked with bBanding 0.
void FeedPage(const ExitModule& module, PrintBitmap& page, unsigned bandRows, int dpi,
              JobOutcome* outcome);

}  // namespace aro::host
