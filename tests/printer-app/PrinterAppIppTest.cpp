// The real server over IPP: what it advertises, every document format
// becoming a multi-page TIFF, and jobs that fail or are cancelled ending
// with a reason while the next job prints.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <tiffio.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>

#include "PrinterAppServer.h"

namespace aro::apptest {
namespace {

struct JobOptions {
    std::string colourMode = "auto";
    std::string resolution = "300dpi";
    std::string jobName = "test";
};

class PrinterAppIppTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!HaveIpptool()) return;
        s_server = std::make_unique<PrinterAppServer>();
        std::string why;
        s_started = s_server->Start(&why);
        s_startFailure = why;
        MakeDocuments();
    }

    static void TearDownTestSuite() {
        // Nothing is left that would hold the server's shutdown.
        if (s_started) {
            const auto stopping = std::chrono::steady_clock::now();
            s_server->Stop();
            EXPECT_LT(std::chrono::steady_clock::now() - stopping, std::chrono::seconds(10));
        }
        s_server.reset();
    }

    void SetUp() override {
        if (!HaveIpptool()) GTEST_SKIP() << "ipptool is not installed";
        ASSERT_TRUE(s_started) << s_startFailure;
    }

    static std::string Doc(const std::string& name) { return s_server->root() + "/" + name; }

    static void MakeDocuments() {
        MakePostScript(Doc("three.ps"), 3, false);
        MakePostScript(Doc("colour.ps"), 1, true);
        MakePostScript(Doc("long.ps"), 40, true);
        Ghostscript({"-sDEVICE=pdfwrite", "-sOutputFile=" + Doc("three.pdf"), Doc("three.ps")});
        Ghostscript({"-sDEVICE=pdfwrite", "-sOutputFile=" + Doc("long.pdf"), Doc("long.ps")});
        Ghostscript({"-sDEVICE=pwgraster", "-r200", "-sPAPERSIZE=a4", "-dcupsColorSpace=18",
                     "-dcupsBitsPerColor=8", "-sOutputFile=" + Doc("three.pwg"), Doc("three.ps")});
        Ghostscript(
            {"-sDEVICE=jpeg", "-r40", "-sOutputFile=" + Doc("colour.jpg"), Doc("colour.ps")});
        Ghostscript(
            {"-sDEVICE=png16m", "-r40", "-sOutputFile=" + Doc("colour.png"), Doc("colour.ps")});
    }

    // Prints into a fresh output folder and waits for the job's end.
    IppRun Print(const std::string& document, const std::string& format,
                 const JobOptions& options = {}, const char* test = kPrintAndWait) {
        m_out = s_server->NewOutputFolder("out-" + std::to_string(++s_jobs));
        return s_server->Ipp(test,
                             {{"filetype", format},
                              {"colormode", options.colourMode},
                              {"resolution", options.resolution},
                              {"jobname", options.jobName}},
                             document);
    }

    // The pages of the one file the last job wrote.
    std::vector<test::TiffPage> OnlyFilePages() {
        std::vector<std::string> files = TiffFilesIn(m_out);
        EXPECT_EQ(files.size(), 1u) << m_out;
        return files.size() == 1 ? PagesOf(files[0]) : std::vector<test::TiffPage>{};
    }

    void ExpectPrinted(const IppRun& run, size_t pages, uint16_t compression, float dpi) {
        EXPECT_EQ(run.exitCode, 0) << run.output;
        EXPECT_EQ(run.Value("job-state"), "completed") << run.output;
        EXPECT_EQ(run.Value("job-impressions-completed"), std::to_string(pages));
        std::vector<test::TiffPage> written = OnlyFilePages();
        ASSERT_EQ(written.size(), pages);
        for (const test::TiffPage& page : written) {
            EXPECT_EQ(page.compression, compression);
            EXPECT_FLOAT_EQ(page.xResolution, dpi);
        }
    }

    void ExpectAborted(const IppRun& run, const std::string& reason, const std::string& message) {
        EXPECT_EQ(run.Value("job-state"), "aborted") << run.output;
        EXPECT_NE(run.Value("job-state-reasons").find(reason), std::string::npos) << run.output;
        EXPECT_NE(run.Value("job-state-message").find(message), std::string::npos) << run.output;
    }

    void ExpectNextJobPrints() {
        IppRun next = Print(Doc("three.pdf"), "application/pdf", {"monochrome"});
        ExpectPrinted(next, 3, COMPRESSION_CCITTFAX4, 300);
    }

    static std::unique_ptr<PrinterAppServer> s_server;
    static bool s_started;
    static std::string s_startFailure;
    static int s_jobs;
    std::string m_out;
};

std::unique_ptr<PrinterAppServer> PrinterAppIppTest::s_server;
bool PrinterAppIppTest::s_started = false;
std::string PrinterAppIppTest::s_startFailure;
int PrinterAppIppTest::s_jobs = 0;

// PAPPL 1.3.1 makes a printer without formats when a driver field is
// missing: the advertised attributes are the driver's.
TEST_F(PrinterAppIppTest, AdvertisesFormatsResolutionsColourModesAndMedia) {
    IppRun run = s_server->Ipp(kPrinterAttributes);
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(run.Value("printer-name"), "ARO TIFF Printer");
    const std::string formats = run.Value("document-format-supported");
    for (const char* format : {"application/pdf", "application/postscript", "image/pwg-raster",
                               "image/urf", "image/jpeg", "image/png"})
        EXPECT_NE(formats.find(format), std::string::npos) << format << " in " << formats;
    EXPECT_EQ(run.Value("printer-resolution-supported"), "200dpi,300dpi,600dpi");
    EXPECT_EQ(run.Value("printer-resolution-default"), "300dpi");
    EXPECT_EQ(run.Value("print-color-mode-supported"), "auto,bi-level,color,monochrome");
    EXPECT_EQ(run.Value("print-color-mode-default"), "auto");
    // 8-bit only: no 1-bit raster is asked of clients.
    EXPECT_EQ(run.Value("pwg-raster-document-type-supported"), "sgray_8,srgb_8");
    EXPECT_EQ(run.Value("media-supported"), "iso_a4_210x297mm,na_letter_8.5x11in");
    EXPECT_EQ(run.Value("media-type-supported"), "stationery");
    const std::string media = run.Value("media-col-default");
    for (const char* part : {"media-size-name=iso_a4_210x297mm", "media-type=stationery",
                             "media-left-margin=0", "media-top-margin=0"})
        EXPECT_NE(media.find(part), std::string::npos) << part << " in " << media;
}

TEST_F(PrinterAppIppTest, EveryFormatBecomesAMultiPageTiff) {
    // Monochrome: Group 4 pages at the default resolution.
    ExpectPrinted(Print(Doc("three.pdf"), "application/pdf", {"monochrome"}), 3,
                  COMPRESSION_CCITTFAX4, 300);
    // CUPS queues send 'color': aro-print judges the pages, black text
    // stays black and white; the job's resolution is the rendering's.
    ExpectPrinted(Print(Doc("three.ps"), "application/postscript", {"color", "200dpi"}), 3,
                  COMPRESSION_CCITTFAX4, 200);
    ExpectPrinted(Print(Doc("colour.ps"), "application/postscript", {"auto"}), 1, COMPRESSION_JPEG,
                  300);
    // Raster: the resolution of its page headers.
    ExpectPrinted(Print(Doc("three.pwg"), "image/pwg-raster"), 3, COMPRESSION_CCITTFAX4, 200);
    ExpectPrinted(Print(Doc("colour.jpg"), "image/jpeg"), 1, COMPRESSION_JPEG, 300);
    ExpectPrinted(Print(Doc("colour.png"), "image/png", {"bi-level"}), 1, COMPRESSION_CCITTFAX4,
                  300);
    // A job of several requests.
    ExpectPrinted(
        Print(Doc("three.ps"), "application/postscript", {"monochrome"}, kCreateSendAndWait), 3,
        COMPRESSION_CCITTFAX4, 300);
}

// A PWG raster whose second page header announces 3 bits per colour.
std::string DamageSecondPageHeader(const std::string& raster) {
    size_t second = raster.find("PwgRaster", 4 + 9);
    if (second == std::string::npos) return "";
    std::string damaged = raster;
    const size_t bitsPerColor = second + 384;  // big-endian cupsBitsPerColor
    damaged[bitsPerColor] = damaged[bitsPerColor + 1] = damaged[bitsPerColor + 2] = 0;
    damaged[bitsPerColor + 3] = 3;
    return damaged;
}

TEST_F(PrinterAppIppTest, BadDocumentsAbortWithAReasonAndTheNextJobPrints) {
    const std::string pdf = ReadText(Doc("three.pdf"));
    WriteText(Doc("cut.pdf"), pdf.substr(0, pdf.size() / 4));
    ExpectAborted(Print(Doc("cut.pdf"), "application/pdf"), "document-unprintable-error",
                  "damaged");
    ExpectNextJobPrints();

    const std::string damaged = DamageSecondPageHeader(ReadText(Doc("three.pwg")));
    ASSERT_FALSE(damaged.empty());
    WriteText(Doc("damaged.pwg"), damaged);
    ExpectAborted(Print(Doc("damaged.pwg"), "image/pwg-raster"), "document-format-error",
                  "malformed");
    // The page before the damage was printed and stays.
    EXPECT_EQ(OnlyFilePages().size(), 1u);
    ExpectNextJobPrints();

    WriteText(Doc("empty.pdf"), "");
    IppRun empty = Print(Doc("empty.pdf"), "application/pdf", {}, kCreateSendAndWait);
    EXPECT_EQ(empty.Value("job-state"), "aborted") << empty.output;
    EXPECT_FALSE(empty.Value("job-state-reasons").empty());
    EXPECT_TRUE(TiffFilesIn(m_out).empty());
    ExpectNextJobPrints();
    // PAPPL leaves such a job among the active ones; it is moved to the
    // completed jobs with its reason (else shutting down waits for it).
    IppRun later;
    for (int tries = 0; tries < 50; ++tries) {
        later = s_server->Ipp(kJobAttributes, {{"jobid", empty.Value("job-id")}});
        if (later.Value("job-state") != "aborted") break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_EQ(later.Value("job-state"), "canceled") << later.output;
    EXPECT_NE(later.Value("job-state-reasons").find("job-data-insufficient"), std::string::npos);
    EXPECT_EQ(later.Value("job-state-message"), "The job has no document");
}

// The processes whose command line names the job.
int ProcessesNamed(const std::string& jobName) {
    int count = 0;
    DIR* proc = opendir("/proc");
    while (dirent* entry = proc ? readdir(proc) : nullptr) {
        if (std::atoi(entry->d_name) <= 0) continue;  // not a process
        std::string cmdline = ReadText(std::string("/proc/") + entry->d_name + "/cmdline");
        for (char& c : cmdline)
            if (c == '\0') c = ' ';
        if (cmdline.find(" " + jobName + " ") != std::string::npos) ++count;
    }
    if (proc) closedir(proc);
    return count;
}

TEST_F(PrinterAppIppTest, CancelledJobEndsItsChildAtOnceAndTheNextJobPrints) {
    const std::string name = "cancel-" + std::to_string(getpid());
    m_out = s_server->NewOutputFolder("out-cancel");
    IppRun started = s_server->Ipp(
        kPrintNoWait,
        {{"filetype", "application/pdf"}, {"resolution", "600dpi"}, {"jobname", name}},
        Doc("long.pdf"));
    ASSERT_EQ(started.exitCode, 0) << started.output;
    const std::string job = started.Value("job-id");

    // Mid-document: once the first page is done.
    IppRun state;
    for (int tries = 0; tries < 300; ++tries) {
        state = s_server->Ipp(kJobAttributes, {{"jobid", job}});
        if (state.Value("job-impressions-completed") != "0" &&
            !state.Value("job-impressions-completed").empty())
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ASSERT_EQ(state.Value("job-state"), "processing") << state.output;
    ASSERT_GT(ProcessesNamed(name), 0);

    const auto cancelled = std::chrono::steady_clock::now();
    ASSERT_EQ(s_server->Ipp(kCancelJob, {{"jobid", job}}).exitCode, 0);
    for (int tries = 0; tries < 100 && state.Value("job-state") != "canceled"; ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        state = s_server->Ipp(kJobAttributes, {{"jobid", job}});
    }
    const auto took = std::chrono::steady_clock::now() - cancelled;
    EXPECT_EQ(state.Value("job-state"), "canceled") << state.output;
    EXPECT_NE(state.Value("job-state-reasons").find("job-canceled-by-user"), std::string::npos);
    EXPECT_LT(std::chrono::duration_cast<std::chrono::seconds>(took).count(), 5);
    EXPECT_EQ(ProcessesNamed(name), 0) << "aro-print of the cancelled job still runs";
    // What the module finished stays.
    EXPECT_EQ(TiffFilesIn(m_out).size(), 1u);
    ExpectNextJobPrints();
}

// aro-print that dies in the middle of a raster job: the job says so, and
// does not blame the document.
TEST(PrinterAppBrokenChildTest, AChildThatDiesEndsTheRasterJobWithItsCause) {
    if (!HaveIpptool()) GTEST_SKIP() << "ipptool is not installed";
    PrinterAppServer server;
    const std::string program = server.root() + "/dying-aro-print";
    WriteText(program, "#!/bin/sh\necho 'page 1' >&3\nhead -c 100000 >/dev/null\nkill -9 $$\n");
    chmod(program.c_str(), 0755);
    std::string why;
    ASSERT_TRUE(server.Start(program, &why)) << why;
    const std::string ps = MakePostScript(server.root() + "/two.ps", 2, false);
    const std::string raster = server.root() + "/two.pwg";
    ASSERT_TRUE(Ghostscript({"-sDEVICE=pwgraster", "-r100", "-sPAPERSIZE=a4", "-dcupsColorSpace=18",
                             "-dcupsBitsPerColor=8", "-sOutputFile=" + raster, ps}));
    IppRun run = server.Ipp(kPrintAndWait,
                            {{"filetype", "image/pwg-raster"},
                             {"colormode", "auto"},
                             {"resolution", "300dpi"},
                             {"jobname", "dying"}},
                            raster);
    EXPECT_EQ(run.Value("job-state"), "aborted") << run.output;
    EXPECT_NE(run.Value("job-state-message").find("aro-print was ended by signal"),
              std::string::npos)
        << run.output;
    EXPECT_NE(run.Value("job-state-reasons").find("errors-detected"), std::string::npos);
}

}  // namespace
}  // namespace aro::apptest
