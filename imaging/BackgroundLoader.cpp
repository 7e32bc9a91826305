#include "imaging/BackgroundLoader.h"

#include <tiffio.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "imaging/BackgroundBitmap.h"
#include "imaging/BackgroundColourTable.h"
#include "imaging/BackgroundImageInfo.h"
#include "imaging/BackgroundPixelReader.h"
#include "imaging/BackgroundTileReader.h"
#include "imaging/PlanarConfigRepair.h"
#include "imaging/QuietTiffMessages.h"
#include "platform/Platform.h"

namespace aro {

namespace {

constexpr uint32_t kPathCapacity = 260;
constexpr uint32_t kTiffFormat = 31;
constexpr int32_t kMaxResolution = 10000;
constexpr int32_t kFallbackResolution = 200;

// The open background file and, when the file had to be repaired, its
// private copy; closed and deleted on every way out of a load.
class OpenBackgroundFile {
public:
    OpenBackgroundFile() = default;
    OpenBackgroundFile(const OpenBackgroundFile&) = delete;
    OpenBackgroundFile& operator=(const OpenBackgroundFile&) = delete;
    ~OpenBackgroundFile() {
        if (tif) TIFFClose(tif);
        if (copyName[0]) GetPlatform().RemoveFile(copyName);
    }

    TIFF* tif = nullptr;
    char copyName[kPathCapacity] = {};
};

// A resolution as a whole number of dots, truncated toward zero; values
// that do not fit (or are not numbers) are held at the limits.
int32_t TruncateResolution(double value) {
    if (std::isnan(value)) return 0;
    if (value >= static_cast<double>(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    if (value <= static_cast<double>(std::numeric_limits<int32_t>::min()))
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

void ReadResolutions(TIFF* tif, BackgroundBitmap& bitmap) {
    float x = 0;
    float y = 0;
    uint16_t unit = RESUNIT_INCH;
    TIFFGetField(tif, TIFFTAG_XRESOLUTION, &x);
    TIFFGetField(tif, TIFFTAG_YRESOLUTION, &y);
    bitmap.SetXResolution(TruncateResolution(x));
    bitmap.SetYResolution(TruncateResolution(y));
    if (TIFFGetField(tif, TIFFTAG_RESOLUTIONUNIT, &unit) && unit == RESUNIT_CENTIMETER) {
        bitmap.SetXResolution(TruncateResolution(bitmap.GetXResolution() * 2.54));
        bitmap.SetYResolution(TruncateResolution(bitmap.GetYResolution() * 2.54));
    }
    if (bitmap.GetXResolution() > kMaxResolution || bitmap.GetYResolution() > kMaxResolution) {
        bitmap.SetXResolution(kFallbackResolution);
        bitmap.SetYResolution(kFallbackResolution);
    }
}

// Selects the wanted directory (1 = first, 0 taken as 1, beyond the last
// taken as the last) and records it in the bitmap.
bool SelectDirectory(TIFF* tif, uint32_t directory, BackgroundBitmap& bitmap) {
    if (directory == 0) directory = 1;
    const tdir_t count = TIFFNumberOfDirectories(tif);
    bitmap.SetDirectoryCount(count);
    if (count > 0 && directory > count) directory = count;
    bitmap.SetDirectory(directory);
    return directory == 1 || TIFFSetDirectory(tif, directory - 1);
}

void DescribeBitmap(TIFF* tif, const BackgroundImageInfo& info, BackgroundBitmap& bitmap) {
    bitmap.SetHeight(info.height);
    bitmap.SetWidth(info.width);
    ReadResolutions(tif, bitmap);
    bitmap.SetCompression(info.compression);
    bitmap.SetFormat(kTiffFormat);
}

// A failed load must not leave a bit count that a page writer merges.
BackgroundLoadResult Refuse(BackgroundBitmap& bitmap) {
    if (bitmap.GetBitCount() == 1 || bitmap.GetBitCount() == 24) bitmap.SetBitCount(0);
    return kBackgroundLoadFailed;
}

bool ReadPixels(TIFF* tif, const BackgroundImageInfo& info, bool rgba, BackgroundBitmap& bitmap) {
    if (rgba) return ReadRgbaPixels(tif, bitmap);
    WriteBackgroundColourTable(tif, info, bitmap);
    return info.tiled ? ReadTilePixels(tif, info, bitmap) : ReadScanlinePixels(tif, bitmap);
}

BackgroundLoadResult LoadSelectedImage(TIFF* tif, BackgroundBitmap& bitmap) {
    const BackgroundImageInfo info = ReadBackgroundImageInfo(tif);
    DescribeBitmap(tif, info, bitmap);
    if (!IsAcceptedCompression(info.compression)) return kBackgroundCompressionUnsupported;
    bitmap.SetBitCount(BackgroundBitCount(info));

    const bool rgba = NeedsRgbaRead(info);
    if (rgba) {
        char reason[1024];
        if (!TIFFRGBAImageOK(tif, reason)) return Refuse(bitmap);
        bitmap.SetBitCount(24);
    } else if (!HasBitmapRowLayout(info)) {
        return Refuse(bitmap);
    }
    if (bitmap.AllocDib() != BackgroundBitmap::kAllocated) return Refuse(bitmap);
    if (!ReadPixels(tif, info, rgba, bitmap)) return Refuse(bitmap);
    bitmap.SetState(0);
    return kBackgroundLoaded;
}

}  // namespace

BackgroundLoadResult LoadTiffImage(const char* path, BackgroundBitmap* bitmap, uint32_t directory) {
    SilenceTiffMessages();
    if (!path || !bitmap || !*path) return kBackgroundLoadFailed;
    OpenBackgroundFile file;
    file.tif = TIFFOpen(path, "ru");
    // Newer libtiff opens the single-strip "separate planes" file that older
    // ones refused, and then reads garbage from it: repair it either way.
    if (!file.tif || HasPlanarConfigDefect(path)) {
        if (TIFF* repaired = OpenRepairedCopy(path, file.copyName)) {
            if (file.tif) TIFFClose(file.tif);
            file.tif = repaired;
        }
    }
    if (!file.tif) return kBackgroundLoadFailed;
    if (!SelectDirectory(file.tif, directory, *bitmap)) return kBackgroundLoadFailed;
    return LoadSelectedImage(file.tif, *bitmap);
}

TIFF* OpenRepairedCopy(const char* path, char* tempName) {
    SilenceTiffMessages();
    if (!tempName) return nullptr;
    tempName[0] = '\0';
    if (!path || !HasPlanarConfigDefect(path)) return nullptr;
    Platform& platform = GetPlatform();
    char folder[kPathCapacity];
    const uint32_t length = platform.GetTempPath(folder, kPathCapacity);
    if (length == 0 || length >= kPathCapacity) return nullptr;
    // A private file per load: jobs of the same user never share the copy.
    if (!platform.CreateTempFile(folder, "xxx", tempName, kPathCapacity)) {
        tempName[0] = '\0';
        return nullptr;
    }
    TIFF* tif = nullptr;
    if (platform.CopyFileTo(path, tempName, false) && RepairPlanarConfigDefect(tempName))
        tif = TIFFOpen(tempName, "ru");
    if (!tif) {
        platform.RemoveFile(tempName);
        tempName[0] = '\0';
    }
    return tif;
}

}  // namespace aro
