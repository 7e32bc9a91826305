// PDF and PostScript: Ghostscript renders every page and streams the pages
// to us through a pipe as concatenated PNM images.
#include <optional>

#include "ChildProgram.h"
#include "PageSource.h"
#include "PdfPageCount.h"
#include "PnmReader.h"

namespace aro::host {

namespace {

std::vector<std::string> GhostscriptArguments(const std::string& path,
                                              const RenderSettings& settings) {
    // A whole-job --mono takes Ghostscript's own 1-bit rendering; the other
    // modes need colour to decide or to keep.
    const char* device = settings.mode == ColourMode::Mono ? "-sDEVICE=pbmraw" : "-sDEVICE=ppmraw";
    return {"gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", device,
            "-r" + std::to_string(settings.dpi), "-sOutputFile=-",
            // What the document itself prints must not end up in the page stream.
            "-sstdout=%stderr", "-f", path};
}

class GhostscriptSource : public PageSource {
public:
    GhostscriptSource() = default;

    bool Start(const std::string& path, const RenderSettings& settings) {
        ChildProgram::Streams streams;
        streams.captureOutput = true;
        return m_gs.Start(GhostscriptArguments(path, settings), streams, &m_error);
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
        if (status != 0)
            m_error = status < 0
                          ? "Ghostscript was killed"
                          : "Ghostscript failed (exit status " + std::to_string(status) + ")";
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
    auto source = std::make_unique<GhostscriptSource>();
    if (!source->Start(path, settings)) {
        *error = source->error();
        return nullptr;
    }
    // Counted while Ghostscript starts up: the count only feeds the progress line.
    if (type == InputType::Pdf && settings.countPages) source->SetPageCount(PdfPageCount(path));
    return source;
}

}  // namespace aro::host
