#include "PrinterAppSubmission.h"

#include <unistd.h>

#include <chrono>
#include <utility>
#include <vector>

#include "EndToEnd.h"
#include "PrinterAppInstance.h"
#include "PrinterAppIpp.h"
#include "SpawnedProcess.h"
#include "TiffCheck.h"

namespace aro::bench {

namespace {

constexpr double kSubmissionLimit = 1.05;

struct TimedCommand {
    std::string label;
    std::vector<std::string> argv;
    std::string input = "/dev/null";
    std::string outputFile;  // "" = the server's output folder
    std::vector<double> seconds;
    std::vector<double> cpuSeconds;  // with the server's share when it ran the job
};

TimedCommand Timed(const std::string& label, std::vector<std::string> argv,
                   const std::string& input = "/dev/null", const std::string& outputFile = "") {
    TimedCommand command;
    command.label = label;
    command.argv = std::move(argv);
    command.input = input;
    command.outputFile = outputFile;
    return command;
}

// One run: the time to the command's end, and a check of what it wrote.
// The server's processor time grows by the job's aro-print (and its
// Ghostscript) once the server has waited for it, before the job is
// completed; it counts for every command, as the server is idle otherwise.
bool TimeOnce(TimedCommand& command, const PrinterAppInstance& server, int pages,
              std::string* error) {
    server.ClearOutput();
    const std::string log = server.root() + "/runs.out";
    const double serverBefore = ProcessCpuSeconds(server.pid());
    double cpu = 0;
    const auto start = std::chrono::steady_clock::now();
    const int status = RunToEnd(command.argv, server.environment(), log, command.input, &cpu);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    cpu += ProcessCpuSeconds(server.pid()) - serverBefore;
    std::vector<std::string> files = {command.outputFile};
    if (command.outputFile.empty()) files = server.OutputFiles();
    const int written = files.size() == 1 ? ReadableTiffPages(files[0]) : -1;
    if (!command.outputFile.empty()) unlink(command.outputFile.c_str());
    if (status != 0 || written != pages) {
        *error = command.label + ": exit status " + std::to_string(status) + ", " +
                 std::to_string(files.size()) + " file(s), " + std::to_string(written) +
                 " readable page(s); see " + log + "\n" + server.Log();
        return false;
    }
    command.seconds.push_back(seconds);
    command.cpuSeconds.push_back(cpu);
    return true;
}

}  // namespace

bool MeasureSubmission(const PrinterAppPrograms& programs, const std::string& pdf, int pages,
                       int dpi, int runs, Summary* summary, std::string* error) {
    PrinterAppInstance server(programs.work);
    if (!server.Start(programs.printerApp, programs.aroPrint, error)) return false;
    const std::string test = server.WriteFile("print.test", PrintAndWaitTest());
    const std::string resolution = std::to_string(dpi);
    const std::string gsOutput = server.root() + "/gs.tif";
    std::vector<TimedCommand> commands = {
        Timed("aro-printer-app (IPP Print-Job, monochrome)",
              IpptoolCommand(server.uri(), test, pdf,
                             {"format=application/pdf", "colormode=monochrome",
                              "resolution=" + resolution + "dpi"})),
        Timed("gs -sDEVICE=tiffg4",
              {"gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=tiffg4", "-r" + resolution,
               "-sOutputFile=" + gsOutput, pdf},
              "/dev/null", gsOutput),
        // What the server runs for the job, the document on standard input.
        Timed("aro-print --mono, document on standard input",
              {programs.aroPrint, "--dpi", resolution, "--mono", "--", "-"}, pdf)};
    for (int run = -1; run < runs; ++run)  // run -1 warms the caches
        for (TimedCommand& command : commands) {
            if (!TimeOnce(command, server, pages, error)) return false;
            if (run < 0) command.seconds.clear(), command.cpuSeconds.clear();
        }
    const double viaServer = Median(commands[0].seconds), gs = Median(commands[1].seconds),
                 alone = Median(commands[2].seconds);
    const std::string document = std::to_string(pages) + "-page PDF";
    summary->AddRatio(
        "IPP submission to finished TIFF, " + document + ": aro-printer-app / gs tiffg4", viaServer,
        gs, "s", kSubmissionLimit);
    summary->AddRatio("Same job: aro-printer-app / aro-print --mono alone (server's share)",
                      viaServer, alone, "s", 0);
    summary->AddRatio(
        "Same, processor time with child processes: aro-printer-app and ipptool / "
        "gs tiffg4",
        Median(commands[0].cpuSeconds), Median(commands[1].cpuSeconds), "s", 0);
    summary->AddRatio("Same, processor time: aro-printer-app and ipptool / aro-print alone",
                      Median(commands[0].cpuSeconds), Median(commands[2].cpuSeconds), "s", 0);
    return true;
}

}  // namespace aro::bench
