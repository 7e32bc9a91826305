// Binds the module's exported names to the exits. No exception may cross
// into the host, which is not C++.
#include "AroPrinterCfg.h"
#include "exits/Exits.h"

namespace {

template <typename Result, typename Call>
Result Guarded(Result onFailure, Call call) noexcept {
    try {
        return call();
    } catch (...) {
        return onFailure;
    }
}

}  // namespace

extern "C" {

ARO_EXPORT short startDocExit(void) {
    return Guarded<short>(0, [] { return aro::StartDocExit(); });
}

ARO_EXPORT short startPageExit(void) {
    return Guarded<short>(0, [] { return aro::StartPageExit(); });
}

ARO_EXPORT int endPageExit(unsigned char* pBits, unsigned int dwHeight, unsigned int dwWidth,
                           int nBitmapFormat, int dwResolution, int bBanding) {
    return Guarded<int>(-2, [&] {
        return aro::EndPageExit(pBits, dwHeight, dwWidth, nBitmapFormat, dwResolution, bBanding);
    });
}

ARO_EXPORT short endDocExit(void) {
    return Guarded<short>(0, [] { return aro::EndDocExit(); });
}

ARO_EXPORT short GetPrintFileName(char* dest) {
    return Guarded<short>(1, [&] { return aro::GetPrintFileName(dest); });
}

ARO_EXPORT short PrintJobName(const char* name) {
    return Guarded<short>(1, [&] { return aro::PrintJobName(name); });
}

ARO_EXPORT intptr_t dlgproc(void* hwnd, unsigned int msg, uintptr_t wParam, intptr_t lParam) {
    return Guarded<intptr_t>(0, [&] { return aro::DialogProcedure(hwnd, msg, wParam, lParam); });
}

}  // extern "C"
