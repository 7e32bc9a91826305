#include "PrintJob.h"

#include <cstdio>
#include <cstring>

#include "BandFeeder.h"
#include "ExitModule.h"
#include "PageAhead.h"
#include "PrintBitmap.h"
#include "Progress.h"
#include "TextExtraction.h"

namespace aro::host {

namespace {

void Report(const JobRequest& request, const std::string& message) {
    std::fprintf(stderr, "aro-print: %s: %s\n", request.input.c_str(), message.c_str());
}

JobOutcome Refused(JobResult result) {
    JobOutcome outcome;
    outcome.result = result;
    return outcome;
}

// Asks the module for the text file's name; empty when it wants none.
std::string AskTextFile(const ExitModule& module, JobOutcome* outcome) {
    module.printFileName(outcome->textFile);
    outcome->textFile[sizeof outcome->textFile - 1] = '\0';
    return outcome->textFile;
}

class JobRun {
public:
    JobRun(const JobRequest& request, PageSource& source, const ExitModule& module)
        : m_request(request),
          m_source(source),
          m_module(module),
          m_progress(request.input, request.showProgress) {}

    JobOutcome Print(RasterImage& firstPage) {
        m_module.jobName(m_request.jobName.c_str());
        m_module.startDoc();
        std::string textFile = AskTextFile(m_module, &m_outcome);
        PrintPages(firstPage);
        if (!textFile.empty()) WriteText(textFile);
        m_module.endDoc();
        return m_outcome;
    }

private:
    // The next page is rendered while the module encodes this one.
    void PrintPages(RasterImage& firstPage) {
        PrintBitmap bitmap =
            ToPrintBitmap(firstPage, ChooseFormat(firstPage, m_request.render.mode));
        firstPage.pixels = {};  // the raster is no longer needed while the module works
        PageAhead ahead(m_source, m_request.render.mode);
        do {
            ahead.Request();
            m_progress.Page(m_outcome.pages + 1, m_source.PageCount());
            FeedPage(m_module, bitmap, m_request.bandRows, m_request.render.dpi, &m_outcome);
        } while (ahead.Take(&bitmap));
        if (!m_source.error().empty()) {
            Report(m_request, "page " + std::to_string(m_outcome.pages + 1) + ": " +
                                  m_source.error() + "; the job ends with the pages before it");
            m_outcome.result = JobResult::Incomplete;
        }
    }

    void WriteText(const std::string& textFile) {
        std::string error;
        if (WriteDocumentText(m_request.input, m_request.type, textFile, &error)) return;
        Report(m_request, "text file: " + error);
        m_outcome.result = JobResult::Incomplete;
    }

    const JobRequest& m_request;
    PageSource& m_source;
    const ExitModule& m_module;
    ProgressLine m_progress;
    JobOutcome m_outcome;
};

}  // namespace

JobOutcome RunPrintJob(const JobRequest& request) {
    std::string error;
    std::unique_ptr<PageSource> source =
        OpenPageSource(request.input, request.type, request.render, &error);
    if (!source) {
        Report(request, error);
        return Refused(JobResult::InputRejected);
    }
    RasterImage firstPage;
    if (!source->NextPage(&firstPage)) {
        Report(request, source->error().empty() ? "the document has no pages" : source->error());
        return Refused(JobResult::InputRejected);
    }
    ExitModule module;
    if (!LoadExitModule(request.modulePath, &module, &error)) {
        Report(request, error);
        return Refused(JobResult::ModuleUnavailable);
    }
    return JobRun(request, *source, module).Print(firstPage);
}

}  // namespace aro::host
