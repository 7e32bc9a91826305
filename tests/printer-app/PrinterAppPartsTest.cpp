// The printer application's parts without a server: aro-print's status
// lines and what a job shows of them, raster pages as PNM, aro-print's
// command line, and the child process of a job.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>

#include "printer-app/JobChild.h"
#include "printer-app/JobReport.h"
#include "printer-app/JobSettings.h"
#include "printer-app/RasterToPnm.h"
#include "printer-app/StatusLine.h"

namespace aro::printerapp {
namespace {

TEST(StatusLineTest, ReadsEveryEventAndRefusesMalformedLines) {
    StatusLine pages = ParseStatusLine("pages 12");
    EXPECT_EQ(pages.kind, StatusLine::Kind::Pages);
    EXPECT_EQ(pages.number, 12);
    EXPECT_EQ(ParseStatusLine("page 3").kind, StatusLine::Kind::Page);
    StatusLine refused = ParseStatusLine("refused 4 -7");
    EXPECT_EQ(refused.kind, StatusLine::Kind::Refused);
    EXPECT_EQ(refused.number, 4);
    EXPECT_EQ(refused.value, -7);
    StatusLine file = ParseStatusLine("file /out/a b.TIF");
    EXPECT_EQ(file.kind, StatusLine::Kind::File);
    EXPECT_EQ(file.text, "/out/a b.TIF");
    StatusLine outcome = ParseStatusLine("outcome no-file 3");
    EXPECT_EQ(outcome.kind, StatusLine::Kind::Outcome);
    EXPECT_EQ(outcome.text, "no-file");
    EXPECT_EQ(outcome.value, 3);
    for (const char* bad :
         {"", "page", "page x", "page 3 4", "page -1", "pages 99999999999999999999", "refused 4",
          "refused 4 x", "outcome printed", "error", "file", "progress 5", "page +3"})
        EXPECT_EQ(ParseStatusLine(bad).kind, StatusLine::Kind::Unknown) << bad;
}

TEST(JobReportTest, MessagesFollowTheJobAndTheEndTellsWhy) {
    JobReport printed;
    EXPECT_EQ(printed.Take("pages 2"), "");
    EXPECT_EQ(printed.Take("file /out/x.TIF"), "Writing /out/x.TIF");
    EXPECT_EQ(printed.Take("page 1"), "Page 1 of 2");
    EXPECT_EQ(printed.Take("page 2"), "Page 2 of 2");
    EXPECT_EQ(printed.Take("nonsense"), "");
    printed.Take("outcome printed 0");
    printed.Ended(0);
    EXPECT_EQ(printed.Failure(), JobFailure::None);
    EXPECT_EQ(printed.FinalMessage(), "Printed 2 page(s) to /out/x.TIF");

    // The first refusal is the reason, also after later errors.
    JobReport refused;
    refused.Take("page 1");
    EXPECT_EQ(refused.Take("refused 2 -5"), "The module refused page 2 (status -5)");
    refused.Take("refused 3 -6");
    refused.Take("error something later");
    refused.Take("outcome refused 1");
    EXPECT_EQ(refused.Failure(), JobFailure::Refused);
    EXPECT_EQ(refused.FinalMessage(), "The module refused page 2 (status -5)");

    JobReport rejected;
    EXPECT_EQ(rejected.Take("error the PDF is damaged"), "the PDF is damaged");
    rejected.Take("outcome rejected 2");
    EXPECT_EQ(rejected.Failure(), JobFailure::Unprintable);
    EXPECT_EQ(rejected.FinalMessage(), "the PDF is damaged");
}

TEST(JobReportTest, AnEndWithoutOutcomeIsIncompleteAndDescribed) {
    JobReport killed;
    killed.Take("page 1");
    killed.Ended(SIGKILL);  // as waitpid reports a process killed by a signal
    EXPECT_EQ(killed.Failure(), JobFailure::Incomplete);
    EXPECT_NE(killed.FinalMessage().find("ended by signal"), std::string::npos);

    JobReport noAccount;
    noAccount.Ended(126 << 8);
    EXPECT_EQ(noAccount.FinalMessage(), "aro-print could not be started as the job's account");
    // A printed outcome with a non-zero code is no success.
    JobReport odd;
    odd.Take("outcome printed 3");
    odd.Ended(3 << 8);
    EXPECT_EQ(odd.Failure(), JobFailure::Incomplete);
}

cups_page_header2_t Header(cups_cspace_t space, unsigned bitsPerPixel, unsigned width = 4,
                           unsigned height = 2, unsigned dpi = 300) {
    cups_page_header2_t header;
    std::memset(&header, 0, sizeof header);
    header.cupsColorSpace = space;
    header.cupsBitsPerColor = 8;
    header.cupsBitsPerPixel = bitsPerPixel;
    header.cupsColorOrder = CUPS_ORDER_CHUNKED;
    header.cupsWidth = width;
    header.cupsHeight = height;
    header.cupsBytesPerLine = width * bitsPerPixel / 8;
    header.HWResolution[0] = header.HWResolution[1] = dpi;
    return header;
}

TEST(RasterToPnmTest, GreyAndColourPagesBecomeP5AndP6Lines) {
    PnmLayout layout;
    std::string why;
    std::vector<unsigned char> buffer;
    ASSERT_TRUE(LayoutForPage(Header(CUPS_CSPACE_SW, 8), &layout, &why)) << why;
    EXPECT_EQ(PnmHeader(layout), "P5\n4 2\n255\n");
    const unsigned char grey[] = {0, 100, 200, 255};
    EXPECT_EQ(PnmLine(layout, grey, buffer), grey) << "grey passes as it is";
    EXPECT_EQ(layout.dpi, 300u);

    // Device black: 0 is white.
    ASSERT_TRUE(LayoutForPage(Header(CUPS_CSPACE_K, 8), &layout, &why)) << why;
    const unsigned char* inverted = PnmLine(layout, grey, buffer);
    EXPECT_EQ(std::vector<unsigned char>(inverted, inverted + 4),
              (std::vector<unsigned char>{255, 155, 55, 0}));

    ASSERT_TRUE(LayoutForPage(Header(CUPS_CSPACE_SRGB, 24, 2), &layout, &why)) << why;
    EXPECT_EQ(PnmHeader(layout), "P6\n2 2\n255\n");
    EXPECT_EQ(PnmLineBytes(layout), 6u);

    ASSERT_TRUE(LayoutForPage(Header(CUPS_CSPACE_CMYK, 32, 2), &layout, &why)) << why;
    const unsigned char cmyk[] = {255, 0, 0, 0, 0, 0, 0, 255};  // cyan, black
    const unsigned char* rgb = PnmLine(layout, cmyk, buffer);
    EXPECT_EQ(std::vector<unsigned char>(rgb, rgb + 6),
              (std::vector<unsigned char>{0, 255, 255, 0, 0, 0}));
}

TEST(RasterToPnmTest, RefusesPagesThatCannotBeStreamed) {
    PnmLayout layout;
    std::string why;
    cups_page_header2_t sixteen = Header(CUPS_CSPACE_SW, 16);
    sixteen.cupsBitsPerColor = 16;
    EXPECT_FALSE(LayoutForPage(sixteen, &layout, &why));
    EXPECT_NE(why.find("8 bits per colour"), std::string::npos) << why;
    cups_page_header2_t banded = Header(CUPS_CSPACE_SW, 8);
    banded.cupsColorOrder = CUPS_ORDER_BANDED;
    EXPECT_FALSE(LayoutForPage(banded, &layout, &why));
    EXPECT_FALSE(LayoutForPage(Header(CUPS_CSPACE_SW, 8, 0), &layout, &why));
    EXPECT_FALSE(LayoutForPage(Header(CUPS_CSPACE_SW, 8, 4, 2, 5000), &layout, &why));
    EXPECT_NE(why.find("5000 dpi"), std::string::npos) << why;
    EXPECT_FALSE(LayoutForPage(Header(CUPS_CSPACE_RGB, 8), &layout, &why));
    EXPECT_FALSE(LayoutForPage(Header(CUPS_CSPACE_CIELab, 24), &layout, &why));
    cups_page_header2_t shortLines = Header(CUPS_CSPACE_SRGB, 24);
    shortLines.cupsBytesPerLine = 5;
    EXPECT_FALSE(LayoutForPage(shortLines, &layout, &why));
}

TEST(JobSettingsTest, ColourModesAndCommandLine) {
    EXPECT_TRUE(MonoForColourMode("monochrome"));
    EXPECT_TRUE(MonoForColourMode("bi-level"));
    // CUPS queues ask for colour by default: aro-print judges each page.
    EXPECT_FALSE(MonoForColourMode("color"));
    EXPECT_FALSE(MonoForColourMode("auto"));
    JobSettings settings;
    settings.jobName = "-report";
    settings.dpi = 600;
    settings.mono = true;
    EXPECT_EQ(AroPrintArguments(settings, "-"),
              (std::vector<std::string>{"--status-fd", "3", "--dpi", "600", "--mono", "--job-name",
                                        "-report", "--", "-"}));
    settings.jobName.clear();
    settings.mono = false;
    EXPECT_EQ(AroPrintArguments(settings, "/spool/d.pdf"),
              (std::vector<std::string>{"--status-fd", "3", "--dpi", "600", "--auto", "--",
                                        "/spool/d.pdf"}));
}

// Collects what a child says; cancels on demand.
class Recorder : public ChildListener {
public:
    void StatusLine(const std::string& line) override { status.push_back(line); }
    void OutputLine(const std::string& line) override { output.push_back(line); }
    bool Cancelled() override { return cancelled; }
    std::vector<std::string> status, output;
    bool cancelled = false;
};

JobAccount Self() {
    return JobAccount{"", getuid(), getgid(), ""};
}

TEST(JobChildTest, StatusAndOutputArriveSeparatelyAndInputIsStreamed) {
    JobChild child;
    std::string error;
    ChildProgram program{
        "/bin/sh",
        {"-c", "echo 'page 1' >&3; cat; echo oops >&2; echo 'outcome printed 0' >&3"},
        true,
        ""};
    ASSERT_TRUE(child.Start(program, Self(), &error)) << error;
    Recorder recorder;
    std::string big(300000, 'x');  // beyond a pipe's buffer
    big += '\n';
    ASSERT_TRUE(child.Write(big.data(), big.size(), recorder));
    int status = child.Finish(recorder);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(recorder.status, (std::vector<std::string>{"page 1", "outcome printed 0"}));
    ASSERT_EQ(recorder.output.size(), 2u);
    EXPECT_EQ(recorder.output[0].size(), 300000u) << "the input went through whole";
    EXPECT_EQ(recorder.output[1], "oops");
}

TEST(JobChildTest, AChildThatStopsReadingEndsTheWritesWithoutKillingUs) {
    JobChild child;
    std::string error;
    ASSERT_TRUE(child.Start({"/bin/sh", {"-c", "exit 4"}, true, ""}, Self(), &error)) << error;
    Recorder recorder;
    std::string data(1 << 20, 'y');
    EXPECT_FALSE(child.Write(data.data(), data.size(), recorder));  // EPIPE, no SIGPIPE
    int status = child.Finish(recorder);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 4);
}

// Alive and not a zombie.
bool Alive(pid_t pid) {
    std::string stat;
    FILE* file = std::fopen(("/proc/" + std::to_string(pid) + "/stat").c_str(), "r");
    if (!file) return false;
    char line[512] = {};
    bool alive = std::fgets(line, sizeof line, file) && std::strrchr(line, ')') &&
                 std::strrchr(line, ')')[2] != 'Z';
    std::fclose(file);
    return alive;
}

TEST(JobChildTest, CancellingStopsTheChildAndItsProcessGroupsAtOnce) {
    JobChild child;
    std::string error;
    // A child that ignores SIGTERM, a grandchild in its group, and one in a
    // group of its own that ignores SIGTERM too (as aro-print runs its job).
    ChildProgram program{"/bin/sh",
                         {"-c",
                          "trap '' TERM; sh -c 'echo pid $$ >&3; exec sleep 30' & "
                          "setsid sh -c 'trap \"\" TERM; echo pid $$ >&3; sleep 30' & "
                          "sleep 0.2; echo ready >&3; sleep 30"},
                         false,
                         ""};
    ASSERT_TRUE(child.Start(program, Self(), &error)) << error;
    Recorder recorder;
    for (int tries = 0; tries < 500 && recorder.status.size() < 3; ++tries) {
        child.ReadAvailable(recorder);
        usleep(10000);
    }
    ASSERT_EQ(recorder.status.size(), 3u);
    ASSERT_EQ(recorder.status[2], "ready");
    std::vector<pid_t> grandchildren;
    for (int i = 0; i < 2; ++i) grandchildren.push_back(std::stoi(recorder.status[i].substr(4)));
    for (pid_t pid : grandchildren) ASSERT_TRUE(Alive(pid)) << pid;

    recorder.cancelled = true;
    const auto start = std::chrono::steady_clock::now();
    int status = child.Finish(recorder);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
    EXPECT_LT(took, std::chrono::seconds(6));
    EXPECT_FALSE(child.running());
    for (pid_t pid : grandchildren) {
        for (int tries = 0; tries < 100 && Alive(pid); ++tries) usleep(10000);
        EXPECT_FALSE(Alive(pid)) << "process " << pid << " outlived the job";
    }
}

TEST(JobChildTest, StartFailuresAreToldNotHidden) {
    JobChild missingInput;
    std::string error;
    EXPECT_FALSE(
        missingInput.Start({"/bin/true", {}, false, "/nonexistent/doc.pdf"}, Self(), &error));
    EXPECT_NE(error.find("/nonexistent/doc.pdf"), std::string::npos) << error;

    JobChild missingProgram;
    ASSERT_TRUE(missingProgram.Start({"/nonexistent/aro-print", {}, false, ""}, Self(), &error));
    Recorder recorder;
    int status = missingProgram.Finish(recorder);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 127);
    ASSERT_EQ(recorder.status.size(), 1u);
    EXPECT_EQ(recorder.status[0].rfind("error aro-print could not be started", 0), 0u);
}

}  // namespace
}  // namespace aro::printerapp
