#include "HalftonedImageSource.h"
#include "PageSource.h"
#include "StandardInput.h"

namespace aro::host {

std::unique_ptr<PageSource> OpenPageSource(const std::string& path, InputType type,
                                           const RenderSettings& settings, std::string* error) {
    if (path == kStreamedInput && ReadAsStream(type))
        return HalftoneImages(OpenPnmStream(StandardInputStream()), settings);
    switch (type) {
        case InputType::Pnm:
            return HalftoneImages(OpenPnmFile(path, error), settings);
        case InputType::Tiff:
            return HalftoneImages(OpenTiffFile(path, error), settings);
        case InputType::Pdf:
        case InputType::PostScript:
            return StartGhostscript(path, type, settings, error);
        case InputType::Unknown:
            break;
    }
    *error = "not a PDF, PostScript, PNM or TIFF file";
    return nullptr;
}

}  // namespace aro::host
