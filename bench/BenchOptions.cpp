#include "BenchOptions.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace aro::bench {

namespace {

const char* kUsage =
    "usage: aro_bench [--cache=DIR] [--work=DIR] [--module=PATH] [--aro-print=PATH]\n"
    "                 [--printer-app=PATH] [--letterhead=PS] [--summary=FILE]\n"
    "                 [--memory-pages=N] [--e2e-runs=N] [--only=pages|memory|e2e|server]\n"
    "                 [--benchmark_... flags]\n";

bool TakeValue(const std::string& argument, const char* name, std::string* value) {
    const std::string prefix = std::string(name) + "=";
    if (argument.compare(0, prefix.size(), prefix) != 0) return false;
    *value = argument.substr(prefix.size());
    return true;
}

}  // namespace

bool ParseOptions(int argc, char** argv, Options* options) {
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        std::string value;
        if (TakeValue(argument, "--cache", &options->cache) ||
            TakeValue(argument, "--work", &options->work) ||
            TakeValue(argument, "--module", &options->module) ||
            TakeValue(argument, "--aro-print", &options->aroPrint) ||
            TakeValue(argument, "--printer-app", &options->printerApp) ||
            TakeValue(argument, "--letterhead", &options->letterhead) ||
            TakeValue(argument, "--summary", &options->summaryFile))
            continue;
        if (TakeValue(argument, "--memory-pages", &value)) {
            options->memoryPages = std::atoi(value.c_str());
        } else if (TakeValue(argument, "--e2e-runs", &value)) {
            options->endToEndRuns = std::max(1, std::atoi(value.c_str()));
        } else if (TakeValue(argument, "--memory-job", &value)) {
            options->memoryJob = std::atoi(value.c_str());
        } else if (TakeValue(argument, "--only", &value)) {
            options->pages = value == "pages";
            options->memory = value == "memory";
            options->endToEnd = value == "e2e";
            options->server = value == "server";
        } else if (argument.compare(0, 12, "--benchmark_") == 0) {
            options->benchmarkFlags.push_back(argument);
        } else {
            std::fputs(kUsage, stderr);
            return false;
        }
    }
    return true;
}

}  // namespace aro::bench
