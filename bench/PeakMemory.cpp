#include "PeakMemory.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "ChildProgram.h"
#include "ModuleInstance.h"

namespace aro::bench {

namespace {

constexpr int kColourPageInterval = 100;
constexpr int kFirstColourPage = 4;  // zero-based: the fifth page

}  // namespace

long ProcessStatusKiB(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const size_t length = std::strlen(field);
    while (std::getline(status, line))
        if (line.compare(0, length, field) == 0)
            return std::strtol(line.c_str() + length, nullptr, 10);
    return -1;
}

int RunMemoryJob(const BenchInputs& inputs, const std::string& modulePath,
                 const BenchSandbox& sandbox, int pages) {
    const std::string hive = sandbox.WriteHive(
        "memory.reg", {{"PrintBackgroundImage", "1"},
                       {"BackgroundImageFirstPage", inputs.monoLetterhead},
                       {"BackgroundImageNextPages", inputs.monoLetterhead},
                       {"BackgroundImageFirstPageColor", inputs.colourLetterhead},
                       {"BackgroundImageNextPagesColor", inputs.colourLetterhead}});
    sandbox.UseHive(hive);
    ModuleInstance module;
    std::string error;
    if (!module.Load(modulePath, sandbox.root() + "/memory.so", &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    // Both work pages exist from the start, in the 10-page job as well.
    host::PrintBitmap mono = inputs.textPage;
    host::PrintBitmap colour = inputs.colourPage;
    int refused = 0;
    module.StartDocument("memory");
    for (int i = 0; i < pages; ++i) {
        const bool isColour = i % kColourPageInterval == kFirstColourPage;
        host::PrintBitmap& work = isColour ? colour : mono;
        const host::PrintBitmap& pristine = isColour ? inputs.colourPage : inputs.textPage;
        std::memcpy(work.bits.data(), pristine.bits.data(), pristine.bits.size());
        refused += module.PrintPage(work, kBandRows, kBenchDpi) != 0;
    }
    module.EndDocument();
    std::printf("VmHWM %ld\nVmRSS %ld\nrefused %d\n", ProcessStatusKiB("VmHWM:"),
                ProcessStatusKiB("VmRSS:"), refused);
    return refused == 0 ? 0 : 1;
}

JobMemory MeasureJobMemory(const std::string& self, const std::vector<std::string>& childArguments,
                           int pages, std::string* error) {
    std::vector<std::string> argv = {self};
    argv.insert(argv.end(), childArguments.begin(), childArguments.end());
    argv.push_back("--memory-job=" + std::to_string(pages));
    std::string output;
    host::ChildProgram::Streams streams;
    const int status = host::RunProgram(argv, streams, &output, error);
    std::istringstream lines(output);
    std::string word;
    JobMemory memory;
    while (lines >> word) {
        if (word == "VmHWM") lines >> memory.peakKiB;
        if (word == "VmRSS") lines >> memory.residentKiB;
    }
    if (status != 0 || memory.peakKiB < 0) {
        if (error->empty()) *error = "the memory job of " + std::to_string(pages) + " pages failed";
        memory.peakKiB = -1;
    }
    return memory;
}

}  // namespace aro::bench
