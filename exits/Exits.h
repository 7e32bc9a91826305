// The routines behind the module's exported entry points.
#pragma once

#include <cstddef>
#include <cstdint>

namespace aro {

int16_t StartDocExit();
int16_t StartPageExit();
int32_t EndPageExit(unsigned char* pBits, uint32_t dwHeight, uint32_t dwWidth,
                    int32_t nBitmapFormat, int32_t dwResolution, int32_t bBanding);
int16_t EndDocExit();
int16_t GetPrintFileName(char* dest);
int16_t PrintJobName(const char* name);
intptr_t DialogProcedure(void* hwnd, unsigned int msg, uintptr_t wParam, intptr_t lParam);

// Ends the page open in the TIFF file, if any, through its own writer with
// a closing band of no rows, so that its rows are kept.
void EndOpenPage();

}  // namespace aro
