// aro-print: the command-line host of the ARO printer exit module. It does
// on Linux what the virtual printer driver does on Windows: renders every
// input file into pages and hands them, band by band, to the module.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "InputType.h"
#include "JobProcess.h"
#include "ModuleLocation.h"
#include "PrintJob.h"
#include "Progress.h"
#include "SettingsCheck.h"
#include "SettingsSetup.h"

namespace aro::host {

namespace {

std::string BaseName(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The module named on the command line, else the one beside the program.
bool ChooseModule(const HostOptions& options, std::string* path) {
    if (!options.modulePath.empty()) {
        *path = options.modulePath;
        return true;
    }
    std::vector<std::string> tried;
    *path = FindDefaultModule(&tried);
    if (!path->empty()) return true;
    std::fprintf(stderr, "aro-print: cannot find libAroPrinterCfg.so; looked at:\n");
    for (const std::string& place : tried) std::fprintf(stderr, "  %s\n", place.c_str());
    std::fprintf(stderr, "use --module PATH to name it\n");
    return false;
}

JobRequest MakeRequest(const HostOptions& options, const std::string& input, InputType type,
                       const std::string& modulePath) {
    JobRequest request;
    request.input = input;
    request.type = type;
    request.jobName = options.jobName ? *options.jobName : BaseName(input);
    request.modulePath = modulePath;
    request.render = {options.dpi, options.mode};
    request.bandRows = options.bandRows;
    request.showProgress = StandardErrorIsTerminal();
    request.render.countPages = request.showProgress;
    return request;
}

// One file, one job: the exit code of its outcome.
int PrintFile(const HostOptions& options, const std::string& input, const std::string& module) {
    InputProbe probe = ProbeInput(input);
    if (!probe.error.empty()) {
        std::fprintf(stderr, "aro-print: %s: %s\n", input.c_str(), probe.error.c_str());
        return kExitUsage;
    }
    JobRequest request = MakeRequest(options, input, probe.type, module);
    std::string failure;
    JobOutcome outcome = RunInChildProcess([&] { return RunPrintJob(request); }, &failure);
    if (outcome.result == JobResult::Crashed)
        std::fprintf(stderr, "aro-print: %s: %s\n", input.c_str(), failure.c_str());
    else if (outcome.result == JobResult::Printed || outcome.result == JobResult::Incomplete)
        std::printf("%s\n", FormatSummary(input, outcome).c_str());
    std::fflush(stdout);
    return ExitCodeOf(outcome);
}

int Main(const std::vector<std::string>& arguments) {
    CommandLine commandLine = ParseCommandLine(arguments);
    const HostOptions& options = commandLine.options;
    if (!commandLine.valid) {
        std::fprintf(stderr, "aro-print: %s\nTry 'aro-print --help'.\n", commandLine.error.c_str());
        return kExitUsage;
    }
    if (options.help) {
        std::fputs(UsageText("aro-print").c_str(), stdout);
        return 0;
    }
    if (options.check) return CheckSettings();
    if (options.setupFolder) return SetUpUserHive(*options.setupFolder);
    std::string module;
    if (!ChooseModule(options, &module)) return 3;
    int exitCode = 0;
    for (const std::string& input : options.inputs)
        exitCode = std::max(exitCode, PrintFile(options, input, module));
    return exitCode;
}

}  // namespace

}  // namespace aro::host

int main(int argc, char** argv) {
    return aro::host::Main(std::vector<std::string>(argv + 1, argv + argc));
}
