// aro-print's inputs beyond plain files: standard input, names that begin
// with "-", PDFs that need a password or are damaged, and a job stopped by
// a signal.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "HostTestSupport.h"

namespace aro::hosttest {
namespace {

// Runs aro-print with content written to its standard input through a pipe.
HostRun RunWithInput(const Sandbox& box, const std::vector<std::string>& arguments,
                     const std::string& content) {
    signal(SIGPIPE, SIG_IGN);  // aro-print may stop reading early
    int ends[2];
    EXPECT_EQ(pipe2(ends, O_CLOEXEC), 0);
    int saved = dup(STDIN_FILENO);
    dup2(ends[0], STDIN_FILENO);  // the copy is inherited, the pipe's ends are not
    close(ends[0]);
    std::thread writer([&] {
        for (size_t done = 0; done < content.size();) {
            ssize_t n = write(ends[1], content.data() + done, content.size() - done);
            if (n <= 0) break;
            done += static_cast<size_t>(n);
        }
        close(ends[1]);
    });
    HostRun run = RunAroPrint(box, arguments);
    writer.join();
    dup2(saved, STDIN_FILENO);
    close(saved);
    return run;
}

size_t PageCount(const std::string& tiff) {
    std::vector<test::TiffPage> pages;
    return test::ReadTiffPages(tiff, &pages) ? pages.size() : 0;
}

std::vector<std::string> SpooledFiles(const Sandbox& box) {
    std::vector<std::string> left;
    for (const std::string& name : box.Files(box.tempDir(), ""))
        if (name.rfind("aro-print-stdin", 0) == 0) left.push_back(name);
    return left;
}

TEST(AroPrintInputTest, StandardInputPrintsEveryKindAndLeavesNothingBehind) {
    Sandbox box;
    box.UseSettings({{"FileNameMode", "2"}});  // files named after the job
    const std::string pdf = MakePdf({"first", "second"});
    const std::string images = EncodePnm(BilevelPattern(64, 40, 1)) + EncodePnm(GreyRamp(64, 40)) +
                               EncodePnm(ColourBlockPage(64, 40));

    HostRun fromPdf = RunWithInput(box, {"--mono", "-"}, pdf);
    HostRun fromPnm = RunWithInput(box, {"--job-name", "scans", "-"}, images);
    HostRun empty = RunWithInput(box, {"-"}, "");
    // Images are printed as they arrive: one cut short ends the job there.
    std::string second = EncodePnm(BilevelPattern(64, 40, 2));
    HostRun cut = RunWithInput(box, {"--job-name", "cut", "-"},
                               EncodePnm(BilevelPattern(64, 40, 1)) + second.substr(0, 100));

    ASSERT_EQ(fromPdf.exitCode, 0) << fromPdf.err;
    ASSERT_EQ(fromPnm.exitCode, 0) << fromPnm.err;
    EXPECT_EQ(fromPdf.out.rfind("stdin: 2 page(s)", 0), 0u) << fromPdf.out;
    EXPECT_EQ(PageCount(box.outDir() + "/stdin.TIF"), 2u);
    EXPECT_EQ(PageCount(box.outDir() + "/scans.TIF"), 3u);
    EXPECT_EQ(empty.exitCode, 2);
    EXPECT_NE(empty.err.find("stdin: empty file"), std::string::npos) << empty.err;
    EXPECT_TRUE(SpooledFiles(box).empty());
    EXPECT_EQ(cut.exitCode, 3);
    EXPECT_NE(cut.err.find("stdin: page 2: "), std::string::npos) << cut.err;
    EXPECT_EQ(PageCount(box.outDir() + "/cut.TIF"), 1u);
    // Ghostscript renders what came through the pipe exactly as the file.
    WriteFile(box.root() + "/same.pdf", pdf);
    std::vector<test::TiffPage> stored;
    ASSERT_TRUE(test::ReadTiffPages(box.outDir() + "/stdin.TIF", &stored));
    std::vector<host::RasterImage> reference = GhostscriptBitmaps(box.root() + "/same.pdf", 300);
    ASSERT_EQ(reference.size(), 2u);
    std::string difference;
    EXPECT_TRUE(SameBilevelPixels(stored[1], reference[1], &difference)) << difference;
}

TEST(AroPrintInputTest, NamesThatBeginWithADashArePrintedAfterTheEndOfOptions) {
    Sandbox box;
    box.UseSettings({});
    WriteFile(box.root() + "/-report.pdf", MakePdf({"report"}));
    WriteFile(box.root() + "/-scan.pbm", EncodePnm(BilevelPattern(40, 16, 2)));

    HostRun run = RunAroPrint(box, {"--", "-report.pdf", "-scan.pbm"});

    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("-report.pdf: 1 page(s)"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("-scan.pbm: 1 page(s)"), std::string::npos) << run.out;
    EXPECT_EQ(RunAroPrint(box, {"-report.pdf"}).exitCode, 2);  // an unknown option
}

TEST(AroPrintInputTest, PdfThatCannotBeOpenedSaysWhyAndAPasswordOpensIt) {
    Sandbox box;
    box.UseSettings({{"PrintTxtFile", "1"}});
    WriteFile(box.root() + "/plain.pdf", MakePdf({"secret words"}));
    ASSERT_EQ(RunQuietly({"gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=pdfwrite",
                          "-sOwnerPassword=owner", "-sUserPassword=user",
                          "-sOutputFile=" + box.root() + "/locked.pdf", box.root() + "/plain.pdf"}),
              0);
    WriteFile(box.root() + "/damaged.pdf", "%PDF-1.4\n1 0 obj << /Type /Pag");

    HostRun locked = RunAroPrint(box, {"locked.pdf"});
    HostRun wrong = RunAroPrint(box, {"--password", "guess", "locked.pdf"});
    HostRun damaged = RunAroPrint(box, {"damaged.pdf"});
    HostRun opened = RunAroPrint(box, {"--password=user", "locked.pdf"});

    EXPECT_EQ(locked.exitCode, 2);
    EXPECT_NE(locked.err.find("locked.pdf: the PDF is encrypted and needs a password: use "
                              "--password"),
              std::string::npos)
        << locked.err;
    EXPECT_NE(wrong.err.find("the password given does not open it"), std::string::npos);
    EXPECT_EQ(damaged.exitCode, 2);
    EXPECT_NE(damaged.err.find("damaged.pdf: the PDF is damaged"), std::string::npos);
    ASSERT_EQ(opened.exitCode, 0) << opened.err;
    std::vector<std::string> texts = box.Files(box.outDir(), ".TXT");
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_NE(itest::ReadFile(box.outDir() + "/" + texts[0]).find("secret words"),
              std::string::npos);
}

// Latin-1 text in PostScript comes out as UTF-8, in reading order, one
// form feed after every page as pdftotext ends them.
TEST(AroPrintInputTest, PostScriptJobWritesItsTextAndLeavesNoTemporaryPdf) {
    Sandbox box;
    box.UseSettings({{"PrintTxtFile", "1"}});
    WriteFile(box.root() + "/letter.ps",
              "%!PS\n/Helvetica findfont dup length dict begin\n"
              "{ 1 index /FID ne { def } { pop pop } ifelse } forall\n"
              "/Encoding ISOLatin1Encoding def currentdict end /Latin exch definefont pop\n"
              "/Latin findfont 20 scalefont setfont\n"
              "72 600 moveto (Terms of payment) show 72 720 moveto (Invoice for M\\374ller) show\n"
              "showpage 72 720 moveto (Second page) show showpage\n");

    HostRun run = RunAroPrint(box, {"--mono", "--dpi", "72", "letter.ps"});

    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::vector<std::string> texts = box.Files(box.outDir(), ".TXT");
    ASSERT_EQ(texts.size(), 1u);
    std::string text = itest::ReadFile(box.outDir() + "/" + texts[0]);
    size_t invoice = text.find("Invoice for M\xC3\xBCller"), terms = text.find("Terms of payment");
    ASSERT_NE(invoice, std::string::npos) << text;
    EXPECT_LT(invoice, terms) << text;  // top of the page first, whatever order it was drawn in
    EXPECT_LT(terms, text.find("\fSecond page\n\f")) << text;
    for (const std::string& name : box.Files(box.tempDir(), ".pdf")) ADD_FAILURE() << name;
}

// aro-print started by this process, found by its parent.
pid_t FindAroPrint() {
    DIR* proc = opendir("/proc");
    pid_t found = 0;
    while (dirent* entry = proc ? readdir(proc) : nullptr) {
        std::ifstream stat(std::string("/proc/") + entry->d_name + "/stat");
        std::string pid, name, state;
        pid_t parent = 0;
        if (stat >> pid >> name >> state >> parent && name == "(aro-print)" && parent == getpid())
            found = std::stoi(pid);
    }
    if (proc) closedir(proc);
    return found;
}

bool ProcessRunsIn(const std::string& folder) {
    DIR* proc = opendir("/proc");
    bool found = false;
    while (dirent* entry = proc ? readdir(proc) : nullptr) {
        char target[4096];
        std::string link = std::string("/proc/") + entry->d_name + "/cwd";
        ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
        if (n > 0 && std::string(target, static_cast<size_t>(n)) == folder) found = true;
    }
    if (proc) closedir(proc);
    return found;
}

TEST(AroPrintInputTest, InterruptedJobNamesItsUnfinishedFileAndLeavesNoProcess) {
    Sandbox box;
    box.UseSettings({});
    // Two pages, then Ghostscript spins for 20 s of its time: the job is
    // caught mid-way (and ends by itself should the test fail to stop it).
    WriteFile(box.root() + "/endless.ps",
              "%!PS\n/Helvetica findfont 30 scalefont setfont\n"
              "72 72 moveto (one) show showpage 72 72 moveto (two) show showpage\n"
              "/start usertime def { usertime start sub 20000 gt { exit } if } loop\n");
    HostRun run;
    std::thread job([&] { run = RunAroPrint(box, {"endless.ps"}); });
    pid_t aroPrint = 0;
    for (int wait = 0; wait < 600 && (TiffFiles(box, box.outDir()).empty() || !aroPrint); ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        aroPrint = FindAroPrint();
    }
    if (aroPrint) kill(aroPrint, SIGTERM);
    job.join();
    ASSERT_NE(aroPrint, 0);

    EXPECT_EQ(run.exitCode, 128 + SIGTERM);
    std::vector<std::string> files = TiffFiles(box, box.outDir());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_NE(
        run.err.find("endless.ps: interrupted: " + files[0] + " holds an unfinished document of "),
        std::string::npos)
        << run.err;
    EXPECT_FALSE(ProcessRunsIn(box.root()));  // Ghostscript went with the job
}

}  // namespace
}  // namespace aro::hosttest
