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

// Creates g_job.names.path, or the first free numbered name after it. The file is
// created empty and only then opened by the TIFF library, so that two jobs
// that chose one name in the same millisecond never share a file.
bool ClaimFreeName() {
    Platform& platform = GetPlatform();
    if (platform.CreateNewFile(g_job.names.path)) return true;
    if (!platform.PathExists(g_job.names.path)) return false;  // not taken: cannot be created
    char stem[kPathSize];
    CopyText(stem, g_job.names.fileName);
    for (int n = 2; n <= kMaxFileNumber && NumberFileName(stem, n); ++n) {
        if (platform.CreateNewFile(g_job.names.path)) {
            LogText("g_szPath=", g_job.names.path);
            return true;
        }
        if (!platform.PathExists(g_job.names.path)) break;
    }
    // The next band tries again from the name the setup chose.
    CopyText(g_job.names.fileName, stem);
    ComposeTiffPath();
    return false;
}

}  // namespace

bool ComposeTiffPath() {
    return JoinPath(g_job.names.path, {g_job.names.printDir, kPathSeparatorText,
                                       g_job.names.fileName, kTiffExtension});
}

std::size_t StemRoom() {
    const std::size_t fixed = std::strlen(g_job.names.printDir) + 1 + kExtensionLength;
    return fixed >= kPathSize ? 0 : kPathSize - 1 - fixed;
}

bool NumberFileName(const char* stem, int number) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "_%d", number);
    // A stem that fills the path gives way to the number, which must stay.
    const std::size_t room = StemRoom();
    if (std::strlen(suffix) > room) return false;
    CopyText(g_job.names.fileName, stem);
    CutKeepingTimeStamp(g_job.names.fileName, room - std::strlen(suffix));
    AppendText(g_job.names.fileName, suffix);
    return ComposeTiffPath();
}

TIFF* CreateDocumentFile() {
    if (!g_job.names.stampedFileName) return TIFFOpen(g_job.names.path, "w");
    if (!ClaimFreeName()) return nullptr;
    TIFF* file = TIFFOpen(g_job.names.path, "w");
    if (!file) GetPlatform().RemoveFile(g_job.names.path);
    return file;
}

}  // namespace aro
