#include "PrinterAppIpp.h"

#include <cctype>
#include <sstream>

namespace aro::bench {

namespace {

constexpr char kOperationHead[] = R"(  GROUP operation-attributes-tag
  ATTR charset attributes-charset utf-8
  ATTR naturalLanguage attributes-natural-language en
  ATTR uri printer-uri $uri
  ATTR name requesting-user-name $user
)";

std::string PrintJob(const std::string& name, const std::string& jobIdVariable) {
    const std::string quotedName = "\"" + name + "\"";
    return "{\n  NAME " + quotedName + "\n  OPERATION Print-Job\n" + kOperationHead +
           "  ATTR mimeMediaType document-format $format\n  ATTR name job-name " + quotedName +
           "\n  GROUP job-attributes-tag\n"
           "  ATTR keyword print-color-mode $colormode\n"
           "  ATTR resolution printer-resolution $resolution\n"
           "  FILE $filename\n"
           "  STATUS successful-ok\n"
           // A busy server is asked again, a little later, up to a minute.
           "  STATUS server-error-busy REPEAT-MATCH REPEAT-LIMIT 300\n"
           "  DELAY \"0,0.2\"\n"
           "  EXPECT job-id DEFINE-VALUE " +
           jobIdVariable + "\n}\n";
}

std::string GetJobAttributes(const std::string& name, const std::string& jobIdVariable,
                             const std::string& expectations) {
    return "{\n  NAME \"" + name + "\"\n  OPERATION Get-Job-Attributes\n" + kOperationHead +
           "  ATTR integer job-id $" + jobIdVariable +
           "\n"
           "  ATTR keyword requested-attributes job-state\n"
           "  STATUS successful-ok\n" +
           expectations + "}\n";
}

// Polled until the job is completed, canceled or aborted (states 7 to 9);
// the first look is at once.
std::string WaitForEnd(const std::string& jobIdVariable) {
    return GetJobAttributes("Wait for the job's end", jobIdVariable,
                            "  EXPECT job-state WITH-VALUE >6 REPEAT-NO-MATCH REPEAT-LIMIT 30000\n"
                            "  DELAY \"0,0.01\"\n");
}

// ipptool compares an enum's number: 9 is completed.
std::string CheckCompleted(const std::string& jobIdVariable) {
    return GetJobAttributes(kJobCompleted, jobIdVariable, "  EXPECT job-state WITH-VALUE 9\n");
}

}  // namespace

const char kJobCompleted[] = "Job completed";

std::string PrinterAttributesTest() {
    return std::string(
               "{\n  NAME \"Get-Printer-Attributes\"\n"
               "  OPERATION Get-Printer-Attributes\n") +
           kOperationHead + "  STATUS successful-ok\n}\n";
}

std::string PrintAndWaitTest() {
    return PrintJob("Print-Job", "printed") + WaitForEnd("printed") + CheckCompleted("printed");
}

std::string PrintBurstTest(int jobs) {
    std::string text;
    for (int job = 1; job <= jobs; ++job)
        text += PrintJob("Print-Job " + std::to_string(job), "job" + std::to_string(job));
    for (int job = 1; job <= jobs; ++job) {
        const std::string id = "job" + std::to_string(job);
        text += WaitForEnd(id) + CheckCompleted(id);
    }
    return text;
}

int CompletedJobsIn(const std::string& ipptoolOutput) {
    std::istringstream lines(ipptoolOutput);
    int completed = 0;
    for (std::string line; std::getline(lines, line);)
        completed += line.find(kJobCompleted) != std::string::npos &&
                     line.find("[PASS]") != std::string::npos;
    return completed;
}

int BusyAnswersIn(const std::string& ipptoolOutput) {
    std::istringstream lines(ipptoolOutput);
    int repeats = 0;
    for (std::string line; std::getline(lines, line);) {
        const size_t open = line.rfind('[');
        repeats += line.find("Print-Job") != std::string::npos && open != std::string::npos &&
                   open + 1 < line.size() &&
                   std::isdigit(static_cast<unsigned char>(line[open + 1]));
    }
    return repeats;
}

std::vector<std::string> IpptoolCommand(const std::string& uri, const std::string& testFile,
                                        const std::string& document,
                                        const std::vector<std::string>& variables) {
    std::vector<std::string> argv = {"ipptool", "-T", "120", "-t"};
    if (!document.empty()) argv.insert(argv.end(), {"-f", document});
    for (const std::string& variable : variables) argv.insert(argv.end(), {"-d", variable});
    argv.insert(argv.end(), {uri, testFile});
    return argv;
}

}  // namespace aro::bench
