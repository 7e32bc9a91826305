// The bench's readers of other programs' output: ipptool's test report,
// /proc's stat line, the processes it starts and the TIFF files jobs wrote.
#include <gtest/gtest.h>
#include <tiffio.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "PrinterAppIpp.h"
#include "SpawnedProcess.h"
#include "TiffCheck.h"

namespace aro::bench {
namespace {

// ipptool -t as it reports a burst: a busy server answered the second
// Print-Job twice, one job ended aborted.
const char kBurstReport[] =
    "\"burst.test\":\n"
    "    Print-Job 1                                                          [PASS]\n"
    "    Print-Job 2                                                          [0001]\n"
    "    Print-Job 2                                                          [0002]\n"
    "    Print-Job 2                                                          [PASS]\n"
    "    Wait for the job's end                                               [0001]\n"
    "    Wait for the job's end                                               [PASS]\n"
    "    Job completed                                                        [PASS]\n"
    "    Wait for the job's end                                               [PASS]\n"
    "    Job completed                                                        [FAIL]\n"
    "        EXPECTED: job-state WITH-VALUE \"9\"\n"
    "        GOT: job-state=8\n";

TEST(IpptoolReport, CountsCompletedJobsAndBusyAnswersOnly) {
    EXPECT_EQ(CompletedJobsIn(kBurstReport), 1);
    EXPECT_EQ(BusyAnswersIn(kBurstReport), 2);
    EXPECT_EQ(CompletedJobsIn(""), 0);
}

TEST(IpptoolReport, BurstTestWaitsForEveryJobItSent) {
    const std::string test = PrintBurstTest(3);
    for (const char* line : {"DEFINE-VALUE job1", "DEFINE-VALUE job3", "job-id $job3",
                             "STATUS server-error-busy REPEAT-MATCH"})
        EXPECT_NE(test.find(line), std::string::npos) << line;
    size_t checks = 0;
    for (size_t at = test.find(kJobCompleted); at != std::string::npos;
         at = test.find(kJobCompleted, at + 1))
        ++checks;
    EXPECT_EQ(checks, 3u);
}

TEST(ProcessStat, AddsOwnAndWaitedChildrenTimesAfterTheCommandName) {
    // utime 100, stime 50, cutime 30, cstime 20 ticks; the name holds ") ".
    const std::string stat =
        "4242 (odd) name) S 1 4242 4242 0 -1 4194560 500 0 0 0 100 50 30 20 20 0 1 0";
    EXPECT_DOUBLE_EQ(CpuSecondsOfStat(stat), 200.0 / sysconf(_SC_CLK_TCK));
    EXPECT_LT(CpuSecondsOfStat("4242 (cut) S 1 2 3"), 0);
    EXPECT_LT(CpuSecondsOfStat("no name"), 0);
}

TEST(SpawnedProcess, PassesEnvironmentAndReportsStatusAndProcessorTime) {
    char folder[] = "/tmp/aro-bench-test-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string output = std::string(folder) + "/out";
    const std::vector<std::string> environment = EnvironmentWith({"ARO_BENCH_PROBE=seen"});
    double cpu = -1;
    // A busy loop of a few tens of milliseconds in a child of the shell.
    const int status =
        RunToEnd({"sh", "-c",
                  "echo $ARO_BENCH_PROBE; sh -c 'i=0; while [ $i -lt 20000 ]; do i=$((i+1)); "
                  "done'; exit 3"},
                 environment, output, "/dev/null", &cpu);
    EXPECT_EQ(status, 3);
    EXPECT_GT(cpu, 0.0);  // the grandchild's loop counts as well
    std::FILE* file = std::fopen(output.c_str(), "r");
    ASSERT_NE(file, nullptr);
    char line[32] = {};
    EXPECT_NE(std::fgets(line, sizeof line, file), nullptr);
    std::fclose(file);
    EXPECT_STREQ(line, "seen\n");
    EXPECT_EQ(RunToEnd({"/nonexistent/program"}, environment, output), -1);
    unlink(output.c_str());
    rmdir(folder);
}

// A two-page Group 4 file of 64 x 64 pixels, a stripe pattern.
std::string WriteTwoPages(const std::string& path) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    std::vector<unsigned char> row(8, 0x0F);
    for (int page = 0; page < 2; ++page) {
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 64);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 64);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 64);
        for (uint32_t y = 0; y < 64; ++y) TIFFWriteScanline(tif, row.data(), y, 0);
        TIFFWriteDirectory(tif);
    }
    TIFFClose(tif);
    return path;
}

// Overwrites the coded data of the second page with bytes no Group 4
// decoder accepts, the directories left as they are.
void SpoilSecondPage(const std::string& path) {
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    ASSERT_NE(tif, nullptr);
    ASSERT_TRUE(TIFFSetDirectory(tif, 1));
    uint64_t* offsets = nullptr;
    uint64_t* counts = nullptr;
    ASSERT_TRUE(TIFFGetField(tif, TIFFTAG_STRIPOFFSETS, &offsets));
    ASSERT_TRUE(TIFFGetField(tif, TIFFTAG_STRIPBYTECOUNTS, &counts));
    const long offset = static_cast<long>(offsets[0]);
    const std::vector<unsigned char> zeros(static_cast<size_t>(counts[0]), 0);
    TIFFClose(tif);
    std::FILE* file = std::fopen(path.c_str(), "r+b");
    ASSERT_NE(file, nullptr);
    std::fseek(file, offset, SEEK_SET);
    std::fwrite(zeros.data(), 1, zeros.size(), file);
    std::fclose(file);
}

TEST(TiffCheck, CountsPagesOnlyWhenEveryStripDecodes) {
    char folder[] = "/tmp/aro-bench-test-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string whole = WriteTwoPages(std::string(folder) + "/whole.tif");
    EXPECT_EQ(ReadableTiffPages(whole), 2);
    const std::string spoilt = WriteTwoPages(std::string(folder) + "/spoilt.tif");
    SpoilSecondPage(spoilt);
    EXPECT_EQ(ReadableTiffPages(spoilt), -1);
    EXPECT_EQ(ReadableTiffPages(std::string(folder) + "/missing.tif"), -1);
    unlink(whole.c_str());
    unlink(spoilt.c_str());
    rmdir(folder);
}

}  // namespace
}  // namespace aro::bench
