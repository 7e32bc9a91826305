#include "PrintJob.h"

#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "BackgroundWarning.h"
#include "BandFeeder.h"
#include "ExitModule.h"
#include "InterruptNotice.h"
#include "ModuleSettings.h"
#include "NoPageReason.h"
#include "PageAhead.h"
#include "PrintBitmap.h"
#include "Progress.h"
#include "StatusChannel.h"
#include "TextExtraction.h"
#include "WrittenTiffFiles.h"

namespace aro::host {

namespace {

void Report(const JobRequest& request, const std::string& message) {
    std::fprintf(stderr, "aro-print: %s: %s\n", request.label.c_str(), message.c_str());
    if (message.rfind("warning: ", 0) != 0) SendStatus("error", message);
}

// A negative status that a page added to the outcome, other than a
// background that could not be used (-2, -3); 0 when there is none.
int NewRefusal(const JobOutcome& before, const JobOutcome& after) {
    for (uint32_t i = 0; i < after.statusKinds && i < JobOutcome::kTrackedStatuses; ++i) {
        const StatusCount& now = after.statuses[i];
        if (now.status >= 0 || now.status == -2 || now.status == -3) continue;
        uint32_t earlier = i < before.statusKinds ? before.statuses[i].count : 0;
        if (now.count > earlier) return now.status;
    }
    return after.untrackedStatuses > before.untrackedStatuses ? -1 : 0;
}

JobOutcome Refused(JobResult result) {
    JobOutcome outcome;
    outcome.result = result;
    return outcome;
}

bool FileExists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void CopyName(const std::string& name, char (&field)[ARO_PRINT_FILE_NAME_SIZE]) {
    std::snprintf(field, sizeof field, "%s", name.c_str());
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
          m_progress(request.label, request.showProgress) {}

    JobOutcome Print(RasterImage& firstPage) {
        WrittenTiffFiles written;
        m_written = &written;
        m_module.jobName(m_request.jobName.c_str());
        m_module.startDoc();
        PrintPages(firstPage);
        if (m_outcome.result == JobResult::NoOutputFile) {
            m_module.endDoc();
            return m_outcome;
        }
        if (!m_textFile.empty()) WriteText(m_textFile);
        m_module.endDoc();
        CheckWrittenFiles(written.names());
        return m_outcome;
    }

private:
    // The next page is rendered while the module encodes this one.
    void PrintPages(RasterImage& firstPage) {
        PrintBitmap bitmap = ToPrintBitmap(
            firstPage, ChooseFormat(firstPage, m_request.render.mode, m_request.render.colourRule));
        firstPage.pixels = {};  // the raster is no longer needed while the module works
        PageAhead ahead(m_source, m_request.render.mode, m_request.render.colourRule);
        // CutLines trims every monochrome band: a page in one band loses
        // its bottom rows instead of a slice of every 256.
        const bool wholePages = CutLinesSet();
        do {
            ahead.Request();
            m_progress.Page(m_outcome.pages + 1, m_source.PageCount());
            const JobOutcome before = m_outcome;
            AnnouncePageCount();
            const bool oneBand = wholePages && bitmap.format == ARO_BITMAP_MONOCHROME;
            int status = FeedPage(m_module, bitmap, oneBand ? bitmap.height : m_request.bandRows,
                                  bitmap.dpi ? bitmap.dpi : m_request.render.dpi, &m_outcome);
            if (status == ARO_BAND_NO_FILE && m_outcome.pages == 1) return StopForWantOfFile();
            // The first band names the TIFF file (a name already taken gets
            // _2): the text file's name is asked then, so that it follows.
            if (m_outcome.pages == 1) m_textFile = AskTextFile(m_module, &m_outcome);
            NoteBackground(status, bitmap.format == ARO_BITMAP_COLOUR);
            NoteProgress();
            AnnouncePage(before);
        } while (ahead.Take(&bitmap));
        if (!m_source.error().empty()) {
            Report(m_request, "page " + std::to_string(m_outcome.pages + 1) + ": " +
                                  m_source.error() + "; the job ends with the pages before it");
            m_outcome.result = JobResult::Incomplete;
        }
    }

    void AnnouncePageCount() {
        if (m_countAnnounced || !StatusChannelOpen()) return;
        std::optional<size_t> total = m_source.PageCount();
        if (!total) return;
        SendStatus("pages", std::to_string(*total));
        m_countAnnounced = true;
    }

    void AnnouncePage(const JobOutcome& before) {
        if (!StatusChannelOpen()) return;
        if (int refusal = NewRefusal(before, m_outcome))
            SendStatus("refused", std::to_string(m_outcome.pages) + " " + std::to_string(refusal));
        SendStatus("page", std::to_string(m_outcome.pages));
    }

    // Keeps the notice of an interruption up to date: the file written last
    // and the pages in it.
    void NoteProgress() {
        const std::vector<std::string>& names = m_written->names();
        if (names.empty()) return;
        for (size_t i = m_filesSeen; i < names.size(); ++i) SendStatus("file", names[i]);
        if (names.size() != m_filesSeen)
            m_filesSeen = names.size(), m_lastFileStart = m_outcome.pages;
        NoteJobProgress(m_outcome.pages, names.back(), m_outcome.pages - m_lastFileStart + 1);
    }

    void StopForWantOfFile() {
        Report(m_request,
               "the module could not create its TIFF file, so nothing was printed. Its folder is "
               "the Dovurezazuv value of the key that AlternateKey names, under "
               "Software\\ARO Digital\\Dovurezazuv in the user hive " +
                   DescribeHiveFile(UserHiveFile()) + " or the machine hive " +
                   DescribeHiveFile(MachineHiveFile()) +
                   "; the folder must exist and be writable. 'aro-print --check' shows what is "
                   "wrong; 'aro-print --setup FOLDER' writes a user hive.");
        m_outcome.result = JobResult::NoOutputFile;
    }

    // The first band of a page reports its background: -2 not loaded, -3
    // of the wrong kind. The first such page of each value is kept.
    void NoteBackground(int status, bool colour) {
        if (status != -2 && status != -3) return;
        const bool firstOfFile = m_outcome.pages == 1 || !MultiPageFile();
        std::string value = BackgroundValueName(firstOfFile, colour);
        for (const BackgroundNote& note : m_backgrounds)
            if (note.value == value) return;
        m_backgrounds.push_back({value, colour, status, m_outcome.pages});
    }

    static bool MultiPageFile() {
        std::string multiPage = UserSetting("PrintMultiPageImage");
        return multiPage.empty() || multiPage == "1";
    }

    // Reads back the files the module wrote: the pages they hold tell a page
    // limit, and whether negative statuses cost any page.
    void CheckWrittenFiles(const std::vector<std::string>& names) {
        std::vector<std::string> present;
        for (const std::string& name : names)
            if (FileExists(name)) present.push_back(name);
        m_outcome.tiffFiles = static_cast<uint32_t>(present.size());
        if (present.empty()) return;
        CopyName(present.front(), m_outcome.firstTiff);
        CopyName(present.back(), m_outcome.lastTiff);
        m_outcome.pagesChecked = present.size() == names.size();
        for (const std::string& name : present) m_outcome.pagesWritten += CountTiffPages(name);
        long limit = PageLimit();
        m_outcome.pageLimit = limit < 0 || limit > INT32_MAX ? -1 : static_cast<int32_t>(limit);
        if (m_outcome.negativeStatus && m_outcome.pagesChecked && OnlyBackgroundStatuses() &&
            m_outcome.pagesWritten == m_outcome.pages) {
            m_outcome.statusesAreBackground = true;
            WarnBackgrounds();
        }
    }

    bool OnlyBackgroundStatuses() const {
        if (m_outcome.untrackedStatuses) return false;
        for (uint32_t i = 0; i < m_outcome.statusKinds; ++i)
            if (m_outcome.statuses[i].status != -2 && m_outcome.statuses[i].status != -3)
                return false;
        return !m_backgrounds.empty();
    }

    // Once per value; a value left empty (a letterhead for the first page
    // only) is what the administrator chose, and is not warned about.
    void WarnBackgrounds() {
        for (const BackgroundNote& note : m_backgrounds) {
            std::string path = UserSetting(note.value.c_str());
            if (path.empty()) continue;
            Report(m_request, "warning: background " + note.value + " \"" + path +
                                  "\" not used from page " + std::to_string(note.page) + ": " +
                                  WhyBackgroundUnused(path, note.colour, note.status) +
                                  "; the pages were written without it");
        }
    }

    void WriteText(const std::string& textFile) {
        std::string error;
        if (WriteDocumentText(m_request.input, m_request.type, textFile, m_request.render.password,
                              &error))
            return;
        Report(m_request, "text file: " + error);
        m_outcome.result = JobResult::Incomplete;
    }

    const JobRequest& m_request;
    PageSource& m_source;
    const ExitModule& m_module;
    std::string m_textFile;  // empty: the module wants none
    ProgressLine m_progress;
    const WrittenTiffFiles* m_written = nullptr;
    size_t m_filesSeen = 0;
    bool m_countAnnounced = false;
    uint32_t m_lastFileStart = 0;  // the first page of the file written last
    JobOutcome m_outcome;
    struct BackgroundNote {
        std::string value;
        bool colour;
        int status;
        uint32_t page;
    };
    std::vector<BackgroundNote> m_backgrounds;
};

}  // namespace

JobOutcome RunPrintJob(const JobRequest& request) {
    AnnounceInterruptions(request.label);
    std::string error;
    std::unique_ptr<PageSource> source =
        OpenPageSource(request.input, request.type, request.render, &error);
    if (!source) {
        Report(request, error);
        return Refused(JobResult::InputRejected);
    }
    RasterImage firstPage;
    if (!source->NextPage(&firstPage)) {
        Report(request, source->error().empty() ? NoPageReason(request.input, request.type,
                                                               !request.render.password.empty())
                                                : source->error());
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
