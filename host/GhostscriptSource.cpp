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
                                              const RenderSettings& settings, bool colour) {
    std::vector<std::string> arguments = {
        "gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE",
        colour ? "-sDEVICE=ppmraw" : "-sDEVICE=pbmraw", "-r" + std::to_string(settings.dpi),
        "-sOutputFile=-",
        // What the document itself prints must not end up in the page stream.
        "-sstdout=%stderr"};
    if (!settings.password.empty()) arguments.push_back("-sPDFPassword=" + settings.password);
    // Even after -f, Ghostscript reads a name that begins with - as an option.
    arguments.insert(arguments.end(), {"-f", AsOperand(path)});
    return arguments;
}

class GhostscriptSource : public PageSource {
public:
    GhostscriptSource() = default;

    // A whole-job --mono takes Ghostscript's own 1-bit rendering; the other
    // modes need colour to decide or to keep. --auto also has Ghostscript
    // render every page in black and white beside it, in a process of its
    // own: a page without colour is taken from that rendering, whose
    // halftones keep grey shading.
    bool Start(const std::string& path, const RenderSettings& settings) {
        ChildProgram::Streams streams;
        streams.captureOutput = true;
        const bool colour = settings.mode != ColourMode::Mono;
        if (!m_gs.Start(GhostscriptArguments(path, settings, colour), streams, &m_error))
            return false;
        if (settings.mode == ColourMode::Auto) {
            // Its complaints about the document would repeat the first one's.
            streams.discardErrors = true;
            std::string ignored;
            m_hasCompanion =
                m_companion.Start(GhostscriptArguments(path, settings, false), streams, &ignored);
        }
        return true;
    }

    bool NextPage(RasterImage* page) override {
        if (m_finished) return false;
        PnmRead read = ReadPnmImage(m_gs.output(), page, &m_error);
        if (read == PnmRead::Image) {
            ReadCompanionPage(page);
            return true;
        }
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
    // The black-and-white rendering of the page just read, when the
    // companion has it; a companion that fails or disagrees on the page
    // size is given up, and pages are then cut at half lightness.
    void ReadCompanionPage(RasterImage* page) {
        page->bilevel.clear();
        if (!m_hasCompanion) return;
        std::string error;
        if (ReadPnmImage(m_companion.output(), &m_companionPage, &error) == PnmRead::Image &&
            m_companionPage.kind == PixelKind::Bilevel && m_companionPage.width == page->width &&
            m_companionPage.height == page->height) {
            page->bilevel.swap(m_companionPage.pixels);
            return;
        }
        m_hasCompanion = false;
        m_companion.Stop();
    }

    ChildProgram m_gs;
    ChildProgram m_companion;
    bool m_hasCompanion = false;
    RasterImage m_companionPage;
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
    if (settings.countPages)
        source->SetPageCount(type == InputType::Pdf ? PdfPageCount(path, settings.password)
                                                    : PostScriptPageCount(path));
    return source;
}

}  // namespace aro::host
