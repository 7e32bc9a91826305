// aro_bench's command line.
#pragma once

#include <string>
#include <vector>

namespace aro::bench {

struct Options {
    std::string cache = "bench-cache";
    std::string work = "bench-work";
    std::string module = ARO_BENCH_MODULE;
    std::string aroPrint = ARO_BENCH_PRINT;
    std::string printerApp = ARO_BENCH_PRINTER_APP;  // "" when not built
    std::string letterhead = std::string(ARO_SOURCE_DIR) + "/examples/letterhead.ps";
    std::string summaryFile;
    int memoryPages = 1000;
    int memoryBaselinePages = 10;
    int endToEndRuns = 7;
    int memoryJob = 0;  // > 0: this process is a memory job's child
    bool pages = true, memory = true, endToEnd = true, server = true;
    std::vector<std::string> benchmarkFlags;
};

// False (usage shown) for an unknown option. Options of Google Benchmark
// (--benchmark_...) are collected for it.
bool ParseOptions(int argc, char** argv, Options* options);

}  // namespace aro::bench
