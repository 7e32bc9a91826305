#include "GhostscriptCommand.h"

#include "ChildProgram.h"

namespace aro::host {

namespace {

std::vector<std::string> RenderingToOutput(const std::string& device, int dpi) {
    return {"gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=" + device,
            "-r" + std::to_string(dpi), "-sOutputFile=-",
            // What the document itself prints must not end up in the page stream.
            "-sstdout=%stderr"};
}

}  // namespace

std::vector<std::string> GhostscriptCommand(const std::string& path, const RenderSettings& settings,
                                            const std::string& device, int dpi,
                                            const std::vector<std::string>& options) {
    std::vector<std::string> arguments = RenderingToOutput(device, dpi);
    if (!settings.password.empty()) arguments.push_back("-sPDFPassword=" + settings.password);
    arguments.insert(arguments.end(), options.begin(), options.end());
    // Even after -f, Ghostscript reads a name that begins with - as an option.
    arguments.insert(arguments.end(), {"-f", AsOperand(path)});
    return arguments;
}

std::vector<std::string> GhostscriptReadingInput(const std::string& device, int dpi,
                                                 const std::vector<std::string>& options) {
    std::vector<std::string> arguments = RenderingToOutput(device, dpi);
    arguments.insert(arguments.end(), options.begin(), options.end());
    arguments.push_back("-_");
    return arguments;
}

std::string GhostscriptFailure(int status) {
    return status < 0 ? "Ghostscript was killed"
                      : "Ghostscript failed (exit status " + std::to_string(status) + ")";
}

}  // namespace aro::host
