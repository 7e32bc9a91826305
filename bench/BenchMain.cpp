// aro_bench: what the module costs beyond its encoders. Per-page times of
// the module against a direct libtiff writer, the letterhead's cost, the
// peak memory of long jobs, aro-print against Ghostscript end to end, and
// aro-printer-app: IPP submission against Ghostscript, many clients at once.
// scripts/bench.sh builds a Release tree and runs it.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "BenchDocuments.h"
#include "BenchInputs.h"
#include "BenchOptions.h"
#include "BenchSandbox.h"
#include "EndToEnd.h"
#include "PageBenchmarks.h"
#include "PeakMemory.h"
#include "PrinterAppLoad.h"
#include "PrinterAppSubmission.h"
#include "Summary.h"

namespace aro::bench {

namespace {

constexpr double kEncoderOverheadLimit = 1.03;
// A letterhead is decoded once per file version; what a page pays is its merge.
constexpr double kMonoLetterheadLimit = 1.05;
constexpr double kColourLetterheadLimit = 1.15;
constexpr long kMemoryGrowthLimitKiB = 1024;
constexpr double kEndToEndLimit = 1.0;

// Google Benchmark's flags: repetitions in random order, medians reported;
// flags given on the command line come later and win.
void InitialiseBenchmark(const Options& options, const char* program) {
    // Google Benchmark keeps pointers into these for the rest of the run.
    static std::vector<std::string> flags;
    static std::vector<char*> argv;
    flags = {program, "--benchmark_repetitions=5", "--benchmark_enable_random_interleaving=true",
             "--benchmark_report_aggregates_only=true", "--benchmark_min_time=0.4"};
    flags.insert(flags.end(), options.benchmarkFlags.begin(), options.benchmarkFlags.end());
    argv.clear();
    for (std::string& flag : flags) argv.push_back(flag.data());
    int argc = static_cast<int>(argv.size());
    benchmark::Initialize(&argc, argv.data());
}

// Rows only for what ran (a --benchmark_filter may leave some out).
void SummarisePages(const Timings& t, uint32_t pageHeight, Summary* summary) {
    auto pair = [&](const std::string& what, const std::string& benchmark, double limit) {
        const std::string value = benchmark + "." + kValueMs,
                          baseline = benchmark + "." + kBaselineMs,
                          ratio = benchmark + "." + kRatio, wall = benchmark + "." + kWallRatio;
        if (!t.count(value) || !t.count(baseline) || !t.count(ratio) || !t.count(wall)) return;
        summary->AddRatio(what + " (processor time)", t.at(value), t.at(baseline), "ms", limit,
                          t.at(ratio));
        char text[32];
        std::snprintf(text, sizeof text, "%.3f", t.at(wall));
        summary->AddInformation(what + " (wall time)", "", "", text);
    };
    pair("Monochrome A4 page: module / direct libtiff", kMonoModuleVsDirect, kEncoderOverheadLimit);
    pair("Colour A4 page: module / direct libtiff", kColourModuleVsDirect, kEncoderOverheadLimit);
    pair("Monochrome page: with letterhead / without", kMonoLetterhead, kMonoLetterheadLimit);
    pair("Colour page: with letterhead / without", kColourLetterhead, kColourLetterheadLimit);
    const std::string hiveRead = std::string(kHiveRead) + "." + kValueMs;
    if (!t.count(hiveRead)) return;
    const int bandsPerPage = static_cast<int>((pageHeight + kBandRows - 1) / kBandRows);
    char value[32], note[64];
    std::snprintf(value, sizeof value, "%.1f us", t.at(hiveRead) * 1000);
    std::snprintf(note, sizeof note, "x %d bands = %.3f ms a page", bandsPerPage,
                  t.at(hiveRead) * bandsPerPage);
    summary->AddInformation("Hive read and parse (letterhead on: every band)", value, note, "");
}

std::string SelfPath() {
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    return length > 0 ? std::string(path, static_cast<size_t>(length)) : "/proc/self/exe";
}

bool MeasureMemory(const Options& options, const std::string& self, Summary* summary,
                   std::string* error) {
    const std::vector<std::string> child = {
        "--cache=" + options.cache, "--module=" + options.module,
        "--letterhead=" + options.letterhead, "--work=" + options.work + "/memory"};
    const JobMemory small = MeasureJobMemory(self, child, options.memoryBaselinePages, error);
    if (small.peakKiB < 0) return false;
    const JobMemory large = MeasureJobMemory(self, child, options.memoryPages, error);
    if (large.peakKiB < 0) return false;
    const std::string jobs = std::to_string(options.memoryPages) + "-page job / " +
                             std::to_string(options.memoryBaselinePages) + "-page job";
    summary->AddDifference("Peak memory (VmHWM), " + jobs, large.peakKiB, small.peakKiB,
                           kMemoryGrowthLimitKiB);
    summary->AddInformation("Resident at the end (VmRSS), " + jobs,
                            std::to_string(large.residentKiB) + " KiB",
                            std::to_string(small.residentKiB) + " KiB",
                            std::to_string(large.residentKiB - small.residentKiB) + " KiB");
    return true;
}

EndToEndRun Command(const std::string& label, std::vector<std::string> argv,
                    const std::string& outputFile = "") {
    EndToEndRun run;
    run.label = label;
    run.argv = std::move(argv);
    run.outputFile = outputFile;
    return run;
}

bool MeasureAroPrint(const Options& options, const BenchInputs& inputs, const BenchSandbox& sandbox,
                     Summary* summary, std::string* error) {
    sandbox.UseHive(sandbox.WriteHive("print.reg", {}));
    const std::string dpi = std::to_string(kBenchDpi);
    const std::string gsOutput = sandbox.root() + "/gs.tif";
    std::vector<EndToEndRun> commands = {
        Command("aro-print --mono", {options.aroPrint, "--module", options.module, "--mono",
                                     "--dpi", dpi, inputs.textPdf}),
        Command("gs -sDEVICE=tiffg4",
                {"gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=tiffg4", "-r" + dpi,
                 "-sOutputFile=" + gsOutput, inputs.textPdf},
                gsOutput),
        Command("aro-print (--auto)",
                {options.aroPrint, "--module", options.module, "--dpi", dpi, inputs.textPdf}),
        Command("gs -sDEVICE=tiffg4, links",
                {"gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=tiffg4", "-r" + dpi,
                 "-sOutputFile=" + gsOutput, inputs.linkedPdf},
                gsOutput),
        Command("aro-print (--auto), links",
                {options.aroPrint, "--module", options.module, "--dpi", dpi, inputs.linkedPdf})};
    if (!MeasureEndToEnd(&commands, sandbox, options.endToEndRuns, kDenseTextPages, error))
        return false;
    summary->AddRatio("End to end, 20-page PDF: aro-print --mono / gs tiffg4",
                      commands[0].medianSeconds, commands[1].medianSeconds, "s", kEndToEndLimit);
    summary->AddRatio("End to end, 20-page PDF: aro-print (--auto) / gs tiffg4",
                      commands[2].medianSeconds, commands[1].medianSeconds, "s", kEndToEndLimit);
    summary->AddRatio("End to end, 20-page PDF with blue links: aro-print (--auto) / gs tiffg4",
                      commands[4].medianSeconds, commands[3].medianSeconds, "s", kEndToEndLimit);
    return true;
}

// Needs the server built (PAPPL found) and ipptool; skipped with a note
// otherwise, as the other parts need neither.
bool MeasurePrinterApp(const Options& options, const BenchInputs& inputs, Summary* summary,
                       std::string* error) {
    if (options.printerApp.empty() || access(options.printerApp.c_str(), X_OK) != 0 ||
        access("/usr/bin/ipptool", X_OK) != 0) {
        std::fprintf(stderr,
                     "aro_bench: aro-printer-app or ipptool missing, server part skipped\n");
        return true;
    }
    const PrinterAppPrograms programs = {options.printerApp, options.aroPrint, options.work};
    return MeasureSubmission(programs, inputs.textPdf, kDenseTextPages, kBenchDpi,
                             options.endToEndRuns, summary, error) &&
           MeasureLoad(programs, LoadShape(), summary, error);
}

int Run(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, &options)) return 2;
    std::string error;
    BenchInputs inputs;
    if (!PrepareInputs(options.cache, options.letterhead, &inputs, &error)) {
        std::fprintf(stderr, "aro_bench: %s\n", error.c_str());
        return 1;
    }
    if (options.memoryJob > 0) {
        BenchSandbox sandbox(options.work + "-" + std::to_string(options.memoryJob));
        return RunMemoryJob(inputs, options.module, sandbox, options.memoryJob);
    }
    BenchSandbox sandbox(options.work);
    Summary summary;
    bool ok = true;
    if (options.pages) {
        InitialiseBenchmark(options, argv[0]);
        Timings timings;
        ok = RunPageBenchmarks(inputs, options.module, sandbox, &timings, &error);
        SummarisePages(timings, inputs.textPage.height, &summary);
    }
    if (ok && options.memory) ok = MeasureMemory(options, SelfPath(), &summary, &error);
    if (ok && options.endToEnd) ok = MeasureAroPrint(options, inputs, sandbox, &summary, &error);
    if (ok && options.server) ok = MeasurePrinterApp(options, inputs, &summary, &error);
    if (!ok) std::fprintf(stderr, "aro_bench: %s\n", error.c_str());
    const std::string table = summary.Markdown();
    std::printf("\n%s", table.c_str());
    if (!options.summaryFile.empty()) std::ofstream(options.summaryFile) << table;
    return ok ? 0 : 1;
}

}  // namespace

}  // namespace aro::bench

int main(int argc, char** argv) {
    return aro::bench::Run(argc, argv);
}
