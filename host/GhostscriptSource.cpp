// PDF and PostScript: Ghostscript renders every page and streams the pages
// to us through a pipe as concatenated PNM images.
#include <optional>

#include "AutoModeSource.h"
#include "ChildProgram.h"
#include "GhostscriptCommand.h"
#include "PageSource.h"
#include "PdfPageCount.h"
#include "PnmReader.h"

namespace aro::host {

namespace {

class GhostscriptSource : public PageSource {
public:
    GhostscriptSource() = default;

    // --mono takes Ghostscript's own 1-bit rendering, --color its colour one.
    bool Start(const std::string& path, const RenderSettings& settings) {
        ChildProgram::Streams streams;
        streams.captureOutput = true;
        const bool colour = settings.mode != ColourMode::Mono;
        return m_gs.Start(
            GhostscriptCommand(path, settings, colour ? "ppmraw" : "pbmraw", settings.dpi), streams,
            &m_error);
    }

    bool NextPage(RasterImage* page) override {
        if (m_finished) return false;
        PnmRead read = ReadPnmImage(m_gs.output(), page, &m_error);
        if (read == PnmRead::Image) return true;
        m_finished = true;
        if (read == PnmRead::Failed) {
            m_error = "unreadable output from Ghostscript: " + m_error;
            m_gs.Stop();
            return false;
        }
        int status = m_gs.Wait();
        if (status != 0) m_error = GhostscriptFailure(status);
        return false;
    }

    std::optional<size_t> PageCount() const override { return m_pageCount; }
    void SetPageCount(std::optional<size_t> pages) { m_pageCount = pages; }

    // Ghostscript renders in its own process; we only read the pipe.
    bool ReadsBesideModule() const override { return true; }

private:
    ChildProgram m_gs;
    std::optional<size_t> m_pageCount;
    bool m_finished = false;
};

}  // namespace

std::unique_ptr<PageSource> StartGhostscript(const std::string& path, InputType type,
                                             const RenderSettings& settings, std::string* error) {
    if (settings.mode == ColourMode::Auto) return StartAutoMode(path, type, settings, error);
    auto source = std::make_unique<GhostscriptSource>();
    if (!source->Start(path, settings)) {
        *error = source->error();
        return nullptr;
    }
    // Counted while Ghostscript starts up: the count only feeds the progress line.
    if (settings.countPages)
        source->SetPageCount(DocumentPageCount(path, type == InputType::Pdf, settings.password));
    return source;
}

}  // namespace aro::host
