#include "AutoModeSource.h"

#include "ChildProgram.h"
#include "GhostscriptCommand.h"
#include "PdfPageCount.h"
#include "PnmReader.h"
#include "SelectedPdfPages.h"

namespace aro::host {

namespace {

// What the default mode shares between PDF and PostScript: the judge that
// decides each page's kind from a coarse colour rendering.
class PageJudge {
public:
    explicit PageJudge(const RenderSettings& settings) : m_settings(settings) {}

    // Poppler judges a PDF in a third of Ghostscript's time; Ghostscript
    // judges PostScript, and a PDF that Poppler cannot read.
    void Start(const std::string& path, bool poppler) {
        m_path = path;
        std::vector<std::string> command;
        if (poppler) {
            command = {"pdftoppm", "-r", std::to_string(kJudgeDpi), "-aa", "no", "-aaVector", "no"};
            if (!m_settings.password.empty())
                command.insert(command.end(), {"-upw", m_settings.password});
            command.push_back(AsOperand(path));
        } else {
            command = GhostscriptCommand(path, m_settings, "ppmraw", kJudgeDpi);
        }
        ChildProgram::Streams streams;
        streams.captureOutput = true;
        // Its complaints about the document would repeat the renderer's.
        streams.discardErrors = true;
        std::string ignored;
        m_byPoppler = poppler;
        m_judging = m_judge.Start(command, streams, &ignored);
        if (!m_judging && poppler) Start(path, false);
    }

    // True when the page is a colour page. A judge that fails leaves the
    // pages after it in black and white.
    bool IsColour(size_t page) {
        Judge(page);
        return page <= m_colourPages.size() && m_colourPages[page - 1];
    }

private:
    void Judge(size_t upTo) {
        std::string error;
        while (m_judging && m_colourPages.size() < upTo) {
            if (ReadPnmImage(m_judge.output(), &m_judged, &error) != PnmRead::Image) {
                m_judge.Stop();
                m_judging = false;
                if (m_byPoppler && m_colourPages.empty()) Start(m_path, false);
                continue;
            }
            m_colourPages.push_back(IsColourPage(m_judged, JudgeRule()));
        }
    }

    ColourRule JudgeRule() const {
        ColourRule rule = m_settings.colourRule;
        rule.dpi = kJudgeDpi;
        return rule;
    }

    const RenderSettings& m_settings;
    std::string m_path;
    ChildProgram m_judge;
    bool m_judging = false;
    bool m_byPoppler = false;
    RasterImage m_judged;
    std::vector<bool> m_colourPages;  // by page, as far as judged
};

class AutoModeSource : public PageSource {
public:
    explicit AutoModeSource(const RenderSettings& settings)
        : m_settings(settings), m_judge(m_settings) {}

    std::optional<size_t> PageCount() const override { return m_pageCount; }
    void SetPageCount(std::optional<size_t> pages) { m_pageCount = pages; }
    bool ReadsBesideModule() const override { return true; }

protected:
    // Ends the document with the black-and-white renderer, which knows its
    // end: it reports the renderer's failure, if any.
    template <class Renderer>
    bool Finish(PnmRead read, Renderer& mono) {
        m_finished = true;
        if (read == PnmRead::Failed) {
            m_error = "unreadable output from Ghostscript: " + m_error;
            mono.Stop();
            return false;
        }
        const int status = mono.Wait();
        if (status != 0) m_error = GhostscriptFailure(status);
        return false;
    }

    bool ColourFailed() {
        if (m_error.empty())
            m_error =
                "Ghostscript's colour rendering of page " + std::to_string(m_page) + " failed";
        m_finished = true;
        return false;
    }

    const RenderSettings m_settings;
    PageJudge m_judge;
    size_t m_page = 0;  // pages handed on
    bool m_finished = false;

private:
    std::optional<size_t> m_pageCount;
};

// A PDF: each page is rendered once, by the black-and-white or the colour
// Ghostscript, each told page by page which pages are its own. The two
// pages after the one handed on are chosen at once, so that a renderer
// works ahead while the module encodes, as far as a renderer of the whole
// document would (a page in the pipe, the next being rendered).
class PdfAutoModeSource : public AutoModeSource {
    static constexpr size_t kChosenAhead = 2;

public:
    using AutoModeSource::AutoModeSource;

    bool Start(const std::string& path) {
        m_path = path;
        if (!m_mono.Start(path, m_settings, "pbmraw", m_settings.dpi, false, &m_error))
            return false;
        m_judge.Start(path, true);
        return true;
    }

    bool NextPage(RasterImage* page) override {
        if (m_finished) return false;
        ++m_page;
        ChooseUpTo(m_page + kChosenAhead);
        const bool colour = m_colourChoices[m_page - 1];
        page->colourDecided = colour;
        if (!colour) {
            PnmRead read = ReadPnmImage(m_mono.output(), page, &m_error);
            return read == PnmRead::Image || Finish(read, m_mono);
        }
        std::string error;
        if (!m_colourStarted || ReadPnmImage(m_colour.output(), page, &error) != PnmRead::Image ||
            page->kind != PixelKind::Rgb)
            return ColourFailed();
        return true;
    }

private:
    // Tells both renderers, in page order, whose the pages up to this one
    // are. The black-and-white renderer ends by itself after the last page,
    // so a choice past it goes nowhere.
    void ChooseUpTo(size_t page) {
        while (m_colourChoices.size() < page) {
            const bool colour = m_judge.IsColour(m_colourChoices.size() + 1);
            if (colour && !m_colourStarted) StartColour();
            m_colourChoices.push_back(colour);
            m_mono.Choose(!colour);
            if (m_colourStarted) m_colour.Choose(colour);
        }
    }

    // The colour renderer starts at the first colour page and passes over
    // the pages before it.
    void StartColour() {
        std::string ignored;
        m_colourStarted =
            m_colour.Start(m_path, m_settings, "ppmraw", m_settings.dpi, true, &ignored);
        for (size_t i = 0; m_colourStarted && i < m_colourChoices.size(); ++i)
            m_colour.Choose(false);
    }

    std::string m_path;
    SelectedPdfPages m_mono;
    SelectedPdfPages m_colour;
    bool m_colourStarted = false;
    std::vector<bool> m_colourChoices;  // by page, as told to the renderers
};

// PostScript: a program runs from its start and may depend on every page it
// draws (Ghostscript's page selection can leave it looping), so both
// renderings have every page; the colour one starts at the first colour
// page and the pages that are not its own are passed over.
class PostScriptAutoModeSource : public AutoModeSource {
public:
    using AutoModeSource::AutoModeSource;

    bool Start(const std::string& path) {
        m_path = path;
        ChildProgram::Streams streams;
        streams.captureOutput = true;
        if (!m_mono.Start(GhostscriptCommand(path, m_settings, "pbmraw", m_settings.dpi), streams,
                          &m_error))
            return false;
        m_judge.Start(path, false);
        return true;
    }

    bool NextPage(RasterImage* page) override {
        if (m_finished) return false;
        PnmRead read = ReadPnmImage(m_mono.output(), page, &m_error);
        if (read != PnmRead::Image) return Finish(read, m_mono);
        ++m_page;
        page->colourDecided = false;
        if (!m_judge.IsColour(m_page)) return true;
        const uint32_t width = page->width, height = page->height;
        if (!ReadColourPage(page) || page->width != width || page->height != height)
            return ColourFailed();
        page->colourDecided = true;
        return true;
    }

private:
    bool ReadColourPage(RasterImage* page) {
        if (!m_colourStarted) {
            ChildProgram::Streams streams;
            streams.captureOutput = true;
            streams.discardErrors = true;
            std::string ignored;
            m_colourStarted = true;
            if (!m_colour.Start(GhostscriptCommand(m_path, m_settings, "ppmraw", m_settings.dpi),
                                streams, &ignored))
                return false;
        }
        std::string error;
        for (; m_colourRead < m_page; ++m_colourRead)
            if (ReadPnmImage(m_colour.output(), page, &error) != PnmRead::Image) return false;
        return page->kind == PixelKind::Rgb;
    }

    std::string m_path;
    ChildProgram m_mono;
    ChildProgram m_colour;
    bool m_colourStarted = false;
    size_t m_colourRead = 0;  // images read from the colour rendering
};

template <class Source>
std::unique_ptr<PageSource> Started(const std::string& path, InputType type,
                                    const RenderSettings& settings, std::string* error) {
    auto source = std::make_unique<Source>(settings);
    if (!source->Start(path)) {
        *error = source->error();
        return nullptr;
    }
    if (settings.countPages)
        source->SetPageCount(DocumentPageCount(path, type == InputType::Pdf, settings.password));
    return source;
}

}  // namespace

std::unique_ptr<PageSource> StartAutoMode(const std::string& path, InputType type,
                                          const RenderSettings& settings, std::string* error) {
    if (type == InputType::Pdf) return Started<PdfAutoModeSource>(path, type, settings, error);
    return Started<PostScriptAutoModeSource>(path, type, settings, error);
}

}  // namespace aro::host
