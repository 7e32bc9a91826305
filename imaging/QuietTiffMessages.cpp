#include "imaging/QuietTiffMessages.h"

#include <tiffio.h>

#include <cstdarg>

namespace aro {

namespace {
void IgnoreTiffMessage(const char*, const char*, va_list) {}
}  // namespace

void SilenceTiffMessages() {
    static bool silenced = false;
    if (silenced) return;
    TIFFSetWarningHandler(IgnoreTiffMessage);
    TIFFSetErrorHandler(IgnoreTiffMessage);
    silenced = true;
}

}  // namespace aro
