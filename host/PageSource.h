// A document rendered page by page: the renderers behind aro-print.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "CommandLine.h"
#include "InputType.h"
#include "PageClassifier.h"
#include "RasterImage.h"

namespace aro::host {

// The input path that names standard input.
constexpr char kStreamedInput[] = "-";

// Types read from standard input as they arrive; the others need a file
// (to seek in, or to be read by several programs).
inline bool ReadAsStream(InputType type) {
    return type == InputType::Pnm;
}

class PageSource {
public:
    virtual ~PageSource() = default;

    // Renders the next page into page. False at the end of the document, and
    // on a failure, which error() then describes.
    virtual bool NextPage(RasterImage* page) = 0;

    // The document's page count when it is known before rendering.
    virtual std::optional<size_t> PageCount() const = 0;

    // True when NextPage may run on another thread while the module is
    // called: it touches no process-wide state the module uses (libtiff's
    // message handlers, for one).
    virtual bool ReadsBesideModule() const { return false; }

    const std::string& error() const { return m_error; }

protected:
    std::string m_error;
};

struct RenderSettings {
    int dpi = 300;
    ColourMode mode = ColourMode::Auto;
    // Count a PDF's pages before rendering (pdfinfo): only the progress
    // line needs the count.
    bool countPages = true;
    std::string password;   // of an encrypted PDF; empty: none
    ColourRule colourRule;  // which pages of the default mode are colour
};

// The renderer for a file of the given type; null with error set when the
// file cannot be opened. Path kStreamedInput is standard input, for the
// types read as a stream.
std::unique_ptr<PageSource> OpenPageSource(const std::string& path, InputType type,
                                           const RenderSettings& settings, std::string* error);

// Each renderer, for the factory.
std::unique_ptr<PageSource> OpenPnmFile(const std::string& path, std::string* error);
// Images read as they arrive (standard input): not checked ahead, no count.
std::unique_ptr<PageSource> OpenPnmStream(std::FILE* stream);
std::unique_ptr<PageSource> OpenTiffFile(const std::string& path, std::string* error);
std::unique_ptr<PageSource> StartGhostscript(const std::string& path, InputType type,
                                             const RenderSettings& settings, std::string* error);

}  // namespace aro::host
