/* Exit module of the ARO virtual TIFF printer: the entry points a printer
 * driver (the host) calls while it renders a print job.
 *
 * Calling order: PrintJobName (optional), startDocExit, then for every page
 * startPageExit and one endPageExit per band (the page's last band with
 * bBanding 0), and finally endDocExit. GetPrintFileName may be called at any
 * time after startDocExit.
 */
#ifndef ARO_PRINTER_CFG_H
#define ARO_PRINTER_CFG_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#define ARO_EXPORT __declspec(dllexport)
#else
#define ARO_EXPORT __attribute__((visibility("default")))
#endif

/* The size a GetPrintFileName destination must have: two 259-character
 * fields, a separator, ".TXT" and the terminator. */
#define ARO_PRINT_FILE_NAME_SIZE 524

ARO_EXPORT short startDocExit(void);
ARO_EXPORT short startPageExit(void);
/* Bitmap types of a band (nBitmapFormat). Monochrome: 1 bit per pixel, rows
 * padded to 32 bits, set bit = white. Colour: 24 bits per pixel (red, green,
 * blue), rows padded to 4 bytes. */
#define ARO_BITMAP_MONOCHROME 1
#define ARO_BITMAP_COLOUR 5

/* What endPageExit returns for a band. */
#define ARO_BAND_OK 0
/* The TIFF file could not be opened. */
#define ARO_BAND_NO_FILE (-1)
/* The band was refused, a row could not be written (or an earlier write
 * failed), or the page's background could not be loaded. */
#define ARO_BAND_FAILED (-2)
/* The page's background is not used: of the wrong kind for the page, or it
 * could not be loaded on the page's first band. */
#define ARO_BAND_BACKGROUND_UNUSED (-3)

/* The band buffer is changed in place. Returns one of ARO_BAND_... */
ARO_EXPORT int endPageExit(unsigned char* pBits, unsigned int dwHeight, unsigned int dwWidth,
                           int nBitmapFormat, int dwResolution, int bBanding);
ARO_EXPORT short endDocExit(void);
ARO_EXPORT short GetPrintFileName(char* dest);
ARO_EXPORT short PrintJobName(const char* name);
ARO_EXPORT intptr_t dlgproc(void* hwnd, unsigned int msg, uintptr_t wParam, intptr_t lParam);

#ifdef __cplusplus
}
#endif

#endif
