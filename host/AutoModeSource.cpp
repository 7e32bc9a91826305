#include "AutoModeSource.h"

#include "ChildProgram.h"
#include "GhostscriptCommand.h"
#include "PdfPageCount.h"
#include "PnmReader.h"

namespace aro::host {

namespace {

class AutoModeSource : public PageSource {
public:
    AutoModeSource(const std::string& path, InputType type, const RenderSettings& settings)
        : m_path(path), m_type(type), m_settings(settings) {}

    bool Start() {
        ChildProgram::Streams streams;
        streams.captureOutput = true;
        if (!m_mono.Start(GhostscriptCommand(m_path, m_settings, "pbmraw", m_settings.dpi), streams,
                          &m_error))
            return false;
        // Poppler judges a PDF in a third of Ghostscript's time; Ghostscript
        // judges PostScript, and a PDF that Poppler cannot read.
        StartJudge(m_type == InputType::Pdf);
        return true;
    }

    // The black-and-white rendering has every page: it sets the document's
    // end and reports its failures.
    bool NextPage(RasterImage* page) override {
        if (m_finished) return false;
        PnmRead read = ReadPnmImage(m_mono.output(), page, &m_error);
        if (read != PnmRead::Image) return Finish(read);
        ++m_page;
        page->colourDecided = false;
        if (!IsColour(m_page)) return true;
        const uint32_t width = page->width, height = page->height;
        if (!ReadColourPage(m_page, page) || page->width != width || page->height != height) {
            if (m_error.empty())
                m_error =
                    "Ghostscript's colour rendering of page " + std::to_string(m_page) + " failed";
            m_finished = true;
            return false;
        }
        page->colourDecided = true;
        return true;
    }

    std::optional<size_t> PageCount() const override { return m_pageCount; }
    void SetPageCount(std::optional<size_t> pages) { m_pageCount = pages; }
    bool ReadsBesideModule() const override { return true; }

private:
    bool Finish(PnmRead read) {
        m_finished = true;
        if (read == PnmRead::Failed) {
            m_error = "unreadable output from Ghostscript: " + m_error;
            m_mono.Stop();
            return false;
        }
        const int status = m_mono.Wait();
        if (status != 0) m_error = GhostscriptFailure(status);
        return false;
    }

    void StartJudge(bool poppler) {
        std::vector<std::string> command;
        if (poppler) {
            command = {"pdftoppm", "-r", std::to_string(kJudgeDpi), "-aa", "no", "-aaVector", "no"};
            if (!m_settings.password.empty())
                command.insert(command.end(), {"-upw", m_settings.password});
            command.push_back(AsOperand(m_path));
        } else {
            command = GhostscriptCommand(m_path, m_settings, "ppmraw", kJudgeDpi);
        }
        ChildProgram::Streams streams;
        streams.captureOutput = true;
        // Its complaints about the document would repeat the renderer's.
        streams.discardErrors = true;
        std::string ignored;
        m_judgedByPoppler = poppler;
        m_judging = m_judge.Start(command, streams, &ignored);
        if (!m_judging && poppler) StartJudge(false);
    }

    // Judges pages up to the given one (all when 0). A judge that fails
    // leaves the pages after it in black and white.
    void Judge(size_t upTo) {
        std::string error;
        while (m_judging && (upTo == 0 || m_colourPages.size() < upTo)) {
            if (ReadPnmImage(m_judge.output(), &m_judged, &error) != PnmRead::Image) {
                m_judge.Stop();
                m_judging = false;
                if (m_judgedByPoppler && m_colourPages.empty()) StartJudge(false);
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

    bool IsColour(size_t page) {
        Judge(page);
        return page <= m_colourPages.size() && m_colourPages[page - 1];
    }

    // A PDF's colour pages are rendered alone (PageList). A PostScript
    // program runs from its start and may depend on every page it draws
    // (Ghostscript's page selection can leave it looping), so there the
    // colour rendering has every page and the others are passed over.
    bool StartColour(size_t firstPage) {
        std::vector<std::string> options;
        if (m_type == InputType::Pdf) {
            Judge(0);
            for (size_t page = firstPage; page <= m_colourPages.size(); ++page)
                if (m_colourPages[page - 1]) m_colourList.push_back(page);
            options.push_back("-sPageList=" + PageListText(m_colourList));
        }
        ChildProgram::Streams streams;
        streams.captureOutput = true;
        streams.discardErrors = true;
        std::string ignored;
        m_colourStarted = true;
        return m_colour.Start(
            GhostscriptCommand(m_path, m_settings, "ppmraw", m_settings.dpi, options), streams,
            &ignored);
    }

    // The number of the page the colour rendering's next image shows.
    size_t NextColourStreamPage() const {
        if (m_colourList.empty()) return m_colourRead + 1;
        return m_colourRead < m_colourList.size() ? m_colourList[m_colourRead] : 0;
    }

    bool ReadColourPage(size_t pageNumber, RasterImage* page) {
        if (!m_colourStarted && !StartColour(pageNumber)) return false;
        std::string error;
        for (size_t next = NextColourStreamPage(); next != 0 && next <= pageNumber;
             next = NextColourStreamPage()) {
            if (ReadPnmImage(m_colour.output(), page, &error) != PnmRead::Image) return false;
            ++m_colourRead;
            if (next == pageNumber) return page->kind == PixelKind::Rgb;
        }
        return false;
    }

    const std::string m_path;
    const InputType m_type;
    const RenderSettings m_settings;
    ChildProgram m_mono;
    ChildProgram m_judge;
    ChildProgram m_colour;
    bool m_judging = false;
    bool m_judgedByPoppler = false;
    bool m_colourStarted = false;
    RasterImage m_judged;
    std::vector<bool> m_colourPages;   // by page, as far as judged
    std::vector<size_t> m_colourList;  // the pages the colour rendering has; empty: all
    size_t m_colourRead = 0;           // images read from the colour rendering
    size_t m_page = 0;                 // pages read from the black-and-white rendering
    std::optional<size_t> m_pageCount;
    bool m_finished = false;
};

}  // namespace

std::string PageListText(const std::vector<size_t>& pages) {
    std::string text;
    for (size_t i = 0; i < pages.size();) {
        size_t last = i;
        while (last + 1 < pages.size() && pages[last + 1] == pages[last] + 1) ++last;
        if (!text.empty()) text += ',';
        text += std::to_string(pages[i]);
        if (last > i) text += '-' + std::to_string(pages[last]);
        i = last + 1;
    }
    return text;
}

std::unique_ptr<PageSource> StartAutoMode(const std::string& path, InputType type,
                                          const RenderSettings& settings, std::string* error) {
    auto source = std::make_unique<AutoModeSource>(path, type, settings);
    if (!source->Start()) {
        *error = source->error();
        return nullptr;
    }
    if (settings.countPages)
        source->SetPageCount(DocumentPageCount(path, type == InputType::Pdf, settings.password));
    return source;
}

}  // namespace aro::host
