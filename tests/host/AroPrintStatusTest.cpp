// aro-print --status-fd: the events a program running aro-print reads.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <sstream>

#include "HostTestSupport.h"

namespace aro::hosttest {
namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Runs aro-print with a file open as its status descriptor; the lines.
std::vector<std::string> StatusOf(const Sandbox& box, const std::vector<std::string>& arguments,
                                  HostRun* run) {
    const std::string path = box.root() + "/status.txt";
    // Inherited by aro-print: no O_CLOEXEC.
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<std::string> all = {"--status-fd", std::to_string(fd)};
    all.insert(all.end(), arguments.begin(), arguments.end());
    *run = RunAroPrint(box, all);
    close(fd);
    return Lines(itest::ReadFile(path));
}

TEST(AroPrintStatusTest, PagesFileAndOutcomeOfAPrintedDocumentInOrder) {
    Sandbox box;
    box.UseSettings({});
    WriteFile(box.root() + "/two.pdf", MakePdf({"one", "two"}));

    HostRun run;
    std::vector<std::string> lines = StatusOf(box, {"--mono", "two.pdf"}, &run);

    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::vector<std::string> files = TiffFiles(box, box.outDir());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(lines, (std::vector<std::string>{"pages 2", "file " + files[0], "page 1", "page 2",
                                               "outcome printed 0"}));
}

TEST(AroPrintStatusTest, FailuresTellTheirReasonAndOutcome) {
    Sandbox box;
    box.UseSettings({});
    WriteFile(box.root() + "/notes.txt", "plain text, no document\n");
    HostRun run;
    std::vector<std::string> lines = StatusOf(box, {"notes.txt"}, &run);
    EXPECT_EQ(run.exitCode, 2);
    ASSERT_EQ(lines.size(), 2u) << run.err;
    EXPECT_EQ(lines[0].rfind("error ", 0), 0u);
    EXPECT_NE(run.err.find(lines[0].substr(6)), std::string::npos) << "the same reason as stderr";
    EXPECT_EQ(lines[1], "outcome rejected 2");

    // No output folder: nothing written, and the job says why.
    Sandbox unset;
    WriteFile(unset.root() + "/one.pbm", EncodePnm(BilevelPattern(64, 40, 1)));
    lines = StatusOf(unset, {"one.pbm"}, &run);
    EXPECT_EQ(run.exitCode, 3);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2].rfind("error the module could not create", 0), 0u);
    EXPECT_EQ(lines.back(), "outcome no-file 3");
}

TEST(AroPrintStatusTest, RefusesADescriptorThatCannotTakeTheLines) {
    Sandbox box;
    box.UseSettings({});
    WriteFile(box.root() + "/one.pbm", EncodePnm(BilevelPattern(64, 40, 1)));
    EXPECT_EQ(RunAroPrint(box, {"--status-fd", "2", "one.pbm"}).exitCode, 2);
    HostRun closed = RunAroPrint(box, {"--status-fd", "250", "one.pbm"});
    EXPECT_EQ(closed.exitCode, 2);
    EXPECT_NE(closed.err.find("--status-fd 250 is not a descriptor open for writing"),
              std::string::npos);
    EXPECT_TRUE(TiffFiles(box, box.outDir()).empty());
}

}  // namespace
}  // namespace aro::hosttest
