#include "PrinterAppLoad.h"

#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

#include "PrinterAppInstance.h"
#include "PrinterAppIpp.h"
#include "SpawnedProcess.h"
#include "TiffCheck.h"

namespace aro::bench {

namespace {

constexpr auto kSampleInterval = std::chrono::milliseconds(20);
// Lets the server finish its bookkeeping (job files, state) before the
// idle figures are read.
constexpr auto kSettle = std::chrono::seconds(3);
// Three bursts: what the first leaves behind is the server's history of
// completed jobs and its threads' heaps; the second fills the history to
// PAPPL's 100 jobs; after that it is full, and a third burst that still
// leaves memory behind would be a leak.
constexpr int kRounds = 3;
constexpr long kRoundGrowthLimitKiB = 256;
constexpr size_t kShownOutput = 4000;

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A short letter of pagesPerJob pages, made by Ghostscript as PDF.
bool MakeDocument(const PrinterAppInstance& server, int pages, std::string* pdf,
                  std::string* error) {
    std::string text = "%!PS-Adobe-3.0\n%%Pages: " + std::to_string(pages) +
                       "\n%%EndComments\n/Times-Roman findfont 11 scalefont setfont\n";
    for (int page = 1; page <= pages; ++page)
        text += "72 760 moveto (Delivery note, page " + std::to_string(page) +
                ") show\n72 740 -14 100 { 72 exch moveto (Item 42, calibration weight, 1 "
                "pce, 12.50 EUR) show } for\nshowpage\n";
    const std::string ps = server.WriteFile("letter.ps", text + "%%EOF\n");
    *pdf = server.root() + "/letter.pdf";
    const int status = RunToEnd({"gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=pdfwrite",
                                 "-sOutputFile=" + *pdf, ps},
                                server.environment(), server.root() + "/gs.out");
    if (status == 0) return true;
    *error = "gs could not make the load's PDF: " + ReadText(server.root() + "/gs.out");
    return false;
}

struct Client {
    pid_t pid = -1;
    std::string output;
    int status = -1;
};

// Waits for the clients, reading the server's VmRSS meanwhile; the
// highest figure seen.
long WaitSampling(std::vector<Client>* clients, pid_t server) {
    long peak = ProcessStatusKiB(server, "VmRSS:");
    // A client that could not be started is not waited for.
    size_t running = 0;
    for (const Client& client : *clients) running += client.pid > 0;
    while (running > 0) {
        std::this_thread::sleep_for(kSampleInterval);
        peak = std::max(peak, ProcessStatusKiB(server, "VmRSS:"));
        for (Client& client : *clients) {
            int status = 0;
            if (client.pid > 0 && waitpid(client.pid, &status, WNOHANG) == client.pid) {
                client.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                client.pid = -1;
                --running;
            }
        }
    }
    return peak;
}

// What one burst of all clients gave.
struct Burst {
    int completed = 0;  // jobs the clients saw end completed
    int busy = 0;       // server-error-busy answers the clients had
    int files = 0;      // files in the output folder
    int goodFiles = 0;  // of them, readable with the expected pages
    double seconds = 0;
    long peakKiB = -1;  // the server's highest VmRSS seen
};

void ReadClientOutputs(const std::vector<Client>& clients, Burst* burst) {
    for (const Client& client : clients) {
        const std::string output = ReadText(client.output);
        burst->completed += CompletedJobsIn(output);
        burst->busy += BusyAnswersIn(output);
        if (client.status != 0)
            std::fprintf(stderr, "aro_bench: an ipptool client ended with %d:\n%s\n", client.status,
                         output.substr(0, kShownOutput).c_str());
    }
}

Burst RunBurst(const PrinterAppInstance& server, const LoadShape& shape, const std::string& test,
               const std::string& pdf, int round) {
    server.ClearOutput();
    std::vector<Client> clients(static_cast<size_t>(shape.clients));
    const auto start = std::chrono::steady_clock::now();
    for (size_t i = 0; i < clients.size(); ++i) {
        clients[i].output = server.root() + "/round" + std::to_string(round) + "-client" +
                            std::to_string(i + 1) + ".out";
        clients[i].pid =
            Spawn(IpptoolCommand(server.uri(), test, pdf,
                                 {"format=application/pdf", "colormode=auto", "resolution=300dpi"}),
                  server.environment(), clients[i].output);
    }
    Burst burst;
    burst.peakKiB = WaitSampling(&clients, server.pid());
    burst.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ReadClientOutputs(clients, &burst);
    const std::vector<std::string> files = server.OutputFiles();
    burst.files = static_cast<int>(files.size());
    for (const std::string& file : files)
        burst.goodFiles += ReadableTiffPages(file) == shape.pagesPerJob;
    return burst;
}

void Summarise(const LoadShape& shape, int round, const Burst& burst, Summary* summary) {
    const int jobs = shape.clients * shape.jobsPerClient;
    const std::string load = "Round " + std::to_string(round) + ", " +
                             std::to_string(shape.clients) + " clients x " +
                             std::to_string(shape.jobsPerClient) + " jobs at once";
    char note[96];
    std::snprintf(note, sizeof note, "%.1f s, %.2f jobs/s, %d busy answers", burst.seconds,
                  jobs / burst.seconds, burst.busy);
    summary->AddCount(load + ": jobs completed", burst.completed, jobs, note);
    summary->AddCount(
        load + ": files read back, " + std::to_string(shape.pagesPerJob) + " pages each",
        burst.goodFiles, jobs, std::to_string(burst.files) + " files");
}

std::string KiB(long value) {
    return std::to_string(value) + " KiB";
}

}  // namespace

bool MeasureLoad(const PrinterAppPrograms& programs, const LoadShape& shape, Summary* summary,
                 std::string* error) {
    PrinterAppInstance server(programs.work);
    std::string pdf;
    if (!MakeDocument(server, shape.pagesPerJob, &pdf, error) ||
        !server.Start(programs.printerApp, programs.aroPrint, error))
        return false;
    const std::string test = server.WriteFile("burst.test", PrintBurstTest(shape.jobsPerClient));
    std::this_thread::sleep_for(kSettle);
    std::vector<long> idle = {ProcessStatusKiB(server.pid(), "VmRSS:")};
    long peak = idle[0];
    for (int round = 1; round <= kRounds; ++round) {
        const Burst burst = RunBurst(server, shape, test, pdf, round);
        std::this_thread::sleep_for(kSettle);
        idle.push_back(ProcessStatusKiB(server.pid(), "VmRSS:"));
        peak = std::max(peak, burst.peakKiB);
        Summarise(shape, round, burst, summary);
    }
    summary->AddInformation("Server memory (VmRSS): idle before / highest during the rounds",
                            KiB(idle[0]), KiB(peak), "+" + KiB(peak - idle[0]));
    summary->AddInformation("Server memory (VmRSS): idle after round 1 / idle before", KiB(idle[1]),
                            KiB(idle[0]), "+" + KiB(idle[1] - idle[0]));
    for (int round = 2; round < kRounds; ++round)
        summary->AddInformation("Server memory (VmRSS): idle after round " + std::to_string(round) +
                                    " / after round " + std::to_string(round - 1),
                                KiB(idle[round]), KiB(idle[round - 1]),
                                "+" + KiB(idle[round] - idle[round - 1]));
    summary->AddDifference("Server memory (VmRSS): idle after round " + std::to_string(kRounds) +
                               " / after round " + std::to_string(kRounds - 1),
                           idle[kRounds], idle[kRounds - 1], kRoundGrowthLimitKiB);
    return true;
}

}  // namespace aro::bench
