// aro-print: the command-line host of the ARO printer exit module. It does
// on Linux what the virtual printer driver does on Windows: renders every
// input file into pages and hands them, band by band, to the module.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "ExitCodes.h"
#include "InputType.h"
#include "Interruption.h"
#include "JobProcess.h"
#include "ModuleLocation.h"
#include "PageSource.h"
#include "PrintJob.h"
#include "Progress.h"
#include "SettingsCheck.h"
#include "SettingsSetup.h"
#include "SpooledInput.h"
#include "StandardInput.h"
#include "StatusChannel.h"

namespace aro::host {

namespace {

// "-" on the command line: the document comes through standard input.
constexpr char kStandardInput[] = "-";
constexpr char kStandardInputName[] = "stdin";

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

JobRequest MakeRequest(const HostOptions& options, const std::string& input,
                       const std::string& label, InputType type, const std::string& modulePath) {
    JobRequest request;
    request.input = input;
    request.label = label;
    request.type = type;
    request.jobName = options.jobName ? *options.jobName : BaseName(label);
    request.modulePath = modulePath;
    request.render.dpi = options.dpi;
    request.render.mode = options.mode;
    if (options.password) request.render.password = *options.password;
    request.render.colourRule.dpi = options.dpi;
    if (options.colourThreshold)
        request.render.colourRule.thresholdPercent = *options.colourThreshold;
    request.bandRows = options.bandRows;
    request.showProgress = StandardErrorIsTerminal();
    request.render.countPages = request.showProgress || StatusChannelOpen();
    return request;
}

// One document, one job: the exit code of its outcome. label names the
// document in messages; input is the file it is read from.
int PrintDocument(const HostOptions& options, const std::string& input, const std::string& label,
                  InputType type, const std::string& module) {
    JobRequest request = MakeRequest(options, input, label, type, module);
    std::string failure;
    JobOutcome outcome = RunInChildProcess([&] { return RunPrintJob(request); }, &failure);
    // An interrupted job has said so itself.
    if (outcome.result == JobResult::Crashed && !CaughtSignal()) {
        std::fprintf(stderr, "aro-print: %s: %s\n", label.c_str(), failure.c_str());
        SendStatus("error", failure);
    } else if (outcome.result == JobResult::Printed || outcome.result == JobResult::Incomplete)
        std::printf("%s\n", FormatSummary(label, outcome).c_str());
    std::fflush(stdout);
    SendStatus("outcome",
               std::string(OutcomeWord(outcome)) + " " + std::to_string(ExitCodeOf(outcome)));
    return ExitCodeOf(outcome);
}

int Refuse(const std::string& label, const std::string& error) {
    std::fprintf(stderr, "aro-print: %s: %s\n", label.c_str(), error.c_str());
    SendStatus("error", error);
    SendStatus("outcome", "rejected " + std::to_string(kExitUsage));
    return kExitUsage;
}

// Images are read as they arrive; the other types are spooled to a file.
int PrintStandardInput(const HostOptions& options, const std::string& module) {
    // A "-" typed at a prompt would wait for a document that never comes.
    if (isatty(STDIN_FILENO) == 1)
        return Refuse(kStandardInputName, "standard input is a terminal; pipe a document in");
    std::string error;
    InputType type = PeekStandardInputType(&error);
    if (type == InputType::Unknown) return Refuse(kStandardInputName, error);
    if (ReadAsStream(type))
        return PrintDocument(options, kStreamedInput, kStandardInputName, type, module);
    SpooledInput spool;
    if (!spool.Fill(StandardInputStream(), &error)) return Refuse(kStandardInputName, error);
    return PrintDocument(options, spool.path(), kStandardInputName, type, module);
}

int PrintFile(const HostOptions& options, const std::string& input, const std::string& module) {
    if (input == kStandardInput) return PrintStandardInput(options, module);
    InputProbe probe = ProbeInput(input);
    if (!probe.error.empty()) return Refuse(input, probe.error);
    return PrintDocument(options, input, input, probe.type, module);
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
    if (options.version) {
        std::printf("aro-print %s\n", ARO_HOST_VERSION);
        return 0;
    }
    if (options.statusFd) {
        if (!StatusDescriptorUsable(*options.statusFd)) {
            std::fprintf(stderr, "aro-print: --status-fd %d is not a descriptor open for writing\n",
                         *options.statusFd);
            return kExitUsage;
        }
        OpenStatusChannel(*options.statusFd);
    }
    if (options.check) return CheckSettings();
    if (options.setupFolder) return SetUpUserHive(*options.setupFolder);
    std::string module;
    if (!ChooseModule(options, &module)) return kExitIncomplete;
    CatchInterruptions();
    int exitCode = kExitPrinted;
    for (const std::string& input : options.inputs) {
        exitCode = std::max(exitCode, PrintFile(options, input, module));
        if (CaughtSignal()) EndBySignal(CaughtSignal());
    }
    return exitCode;
}

}  // namespace

}  // namespace aro::host

int main(int argc, char** argv) {
    return aro::host::Main(std::vector<std::string>(argv + 1, argv + argc));
}
