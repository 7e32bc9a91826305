// What the bench asks aro-printer-app through ipptool: test files written
// next to the server, and the command lines that run them.
#pragma once

#include <string>
#include <vector>

namespace aro::bench {

// Get-Printer-Attributes: passes once the server answers.
std::string PrinterAttributesTest();

// One Print-Job (document format $format, print-color-mode $colormode,
// printer-resolution $resolution), then Get-Job-Attributes every 10 ms
// until the job has ended; passes when it ended completed.
std::string PrintAndWaitTest();

// A client's burst: jobs Print-Jobs one after the other, each sent again
// while the server answers server-error-busy, then a wait for each job's
// end; every job that ended completed passes a test named kJobCompleted.
std::string PrintBurstTest(int jobs);
extern const char kJobCompleted[];

// Lines of ipptool -t output that report a passed kJobCompleted test.
int CompletedJobsIn(const std::string& ipptoolOutput);
// Print-Jobs of ipptool -t output that were sent again (the server was
// busy): the lines with a repeat count instead of PASS or FAIL.
int BusyAnswersIn(const std::string& ipptoolOutput);

// ipptool -t against uri with a test file, a document and -d variables.
std::vector<std::string> IpptoolCommand(const std::string& uri, const std::string& testFile,
                                        const std::string& document,
                                        const std::vector<std::string>& variables = {});

}  // namespace aro::bench
