#include "exits/DocumentFile.h"

#include <tiffio.h>

#include <cstdio>
#include <cstring>

#include "config/DiagnosticLog.h"
#include "config/FileNaming.h"
#include "job/JobContext.h"
#include "platform/PathRules.h"
#include "platform/Platform.h"

namespace aro {

namespace {

constexpr const char* kTiffExtension = ".TIF";

// Creates g_szPath, or the first free numbered name after it. The file is
// created empty and only then opened by the TIFF library, so that two jobs
// that chose one name in the same millisecond never share a file.
bool ClaimFreeName() {
    Platform& platform = GetPlatform();
    if (platform.CreateNewFile(g_szPath)) return true;
    if (!platform.PathExists(g_szPath)) return false;  // not taken: cannot be created
    char stem[kPathSize];
    CopyText(stem, g_szFileName);
    for (int n = 2; n <= kMaxFileNumber && NumberFileName(stem, n); ++n) {
        if (platform.CreateNewFile(g_szPath)) {
            LogText("g_szPath=", g_szPath);
            return true;
        }
        if (!platform.PathExists(g_szPath)) break;
    }
    // The next band tries again from the name the setup chose.
    CopyText(g_szFileName, stem);
    ComposeTiffPath();
    return false;
}

}  // namespace

bool ComposeTiffPath() {
    return JoinPath(g_szPath, {g_szPrintDir, kPathSeparatorText, g_szFileName, kTiffExtension});
}

std::size_t StemRoom() {
    const std::size_t fixed = std::strlen(g_szPrintDir) + 1 + kExtensionLength;
    return fixed >= kPathSize ? 0 : kPathSize - 1 - fixed;
}

bool NumberFileName(const char* stem, int number) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "_%d", number);
    // A stem that fills the path gives way to the number, which must stay.
    const std::size_t room = StemRoom();
    if (std::strlen(suffix) > room) return false;
    CopyText(g_szFileName, stem);
    CutKeepingTimeStamp(g_szFileName, room - std::strlen(suffix));
    AppendText(g_szFileName, suffix);
    return ComposeTiffPath();
}

TIFF* CreateDocumentFile() {
    if (!g_bStampedFileName) return TIFFOpen(g_szPath, "w");
    if (!ClaimFreeName()) return nullptr;
    TIFF* file = TIFFOpen(g_szPath, "w");
    if (!file) GetPlatform().RemoveFile(g_szPath);
    return file;
}

}  // namespace aro
