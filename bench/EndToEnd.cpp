#include "EndToEnd.h"

#include <dirent.h>
#include <tiffio.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

#include "ChildProgram.h"

namespace aro::bench {

namespace {

int CountPages(const std::string& path) {
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (!tif) return 0;
    const int pages = TIFFNumberOfDirectories(tif);
    TIFFClose(tif);
    return pages;
}

// The one TIFF file the module wrote into its output folder.
std::string ModuleOutput(const BenchSandbox& sandbox) {
    std::string found;
    if (DIR* dir = opendir(sandbox.outDir().c_str())) {
        while (const dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name.size() > 4 && name.compare(name.size() - 4, 4, ".TIF") == 0)
                found = sandbox.outDir() + "/" + name;
        }
        closedir(dir);
    }
    return found;
}

bool TimeOnce(EndToEndRun& command, const BenchSandbox& sandbox, double* seconds,
              std::string* error) {
    sandbox.ClearOutput();
    std::string output, failure;
    host::ChildProgram::Streams streams;
    const auto start = std::chrono::steady_clock::now();
    const int status = host::RunProgram(command.argv, streams, &output, &failure);
    *seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const std::string file =
        command.outputFile.empty() ? ModuleOutput(sandbox) : command.outputFile;
    command.pages = file.empty() ? 0 : CountPages(file);
    if (!command.outputFile.empty()) unlink(command.outputFile.c_str());
    if (status == 0) return true;
    *error = command.label + " failed (" + std::to_string(status) + ") " + failure;
    return false;
}

}  // namespace

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

bool MeasureEndToEnd(std::vector<EndToEndRun>* commands, const BenchSandbox& sandbox, int runs,
                     int expectedPages, std::string* error) {
    std::vector<std::vector<double>> times(commands->size());
    for (int run = -1; run < runs; ++run) {
        for (size_t i = 0; i < commands->size(); ++i) {
            EndToEndRun& command = (*commands)[i];
            double seconds = 0;
            if (!TimeOnce(command, sandbox, &seconds, error)) return false;
            if (command.pages != expectedPages) {
                *error = command.label + " wrote " + std::to_string(command.pages) + " pages";
                return false;
            }
            if (run >= 0) times[i].push_back(seconds);  // run -1 warms the caches
        }
    }
    for (size_t i = 0; i < commands->size(); ++i) (*commands)[i].medianSeconds = Median(times[i]);
    sandbox.ClearOutput();
    return true;
}

}  // namespace aro::bench
