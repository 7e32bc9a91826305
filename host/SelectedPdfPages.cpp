#include "SelectedPdfPages.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "GhostscriptCommand.h"

namespace aro::host {

namespace {

// The document is passed as an open descriptor, so that its name needs no
// quoting and no permission list (which cannot hold a name with a colon).
const std::string kDocument = "/dev/fd/" + std::to_string(ChildProgram::kPassedFileNumber);

// Ghostscript reads its input in blocks of 1 KiB and waits for a block to
// fill before it acts on it: a choice is followed by white space that fills
// any block (four times over).
const std::string& Filler() {
    static const std::string filler(4096, '\n');
    return filler;
}

}  // namespace

std::string SelectedPagesProgram() {
    // One procedure, run as the program's last word: the choices that
    // follow it in the input are what the loop reads with token. The input's
    // end (we stopped) ends it too.
    return "{ (" + kDocument +
           ") (r) file runpdfbegin\n"
           "  1 1 pdfpagecount { currentfile token not { quit } if\n"
           "    1 eq { pdfgetpage pdfshowpage } { pop } ifelse } for\n"
           "  runpdfend quit } exec\n";
}

SelectedPdfPages::~SelectedPdfPages() = default;

bool SelectedPdfPages::Start(const std::string& path, const RenderSettings& settings,
                             const std::string& device, int dpi, bool quiet, std::string* error) {
    const int document = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (document < 0) {
        *error = "cannot open the file: " + std::string(std::strerror(errno));
        return false;
    }
    std::vector<std::string> options = {"--permit-file-read=" + kDocument};
    if (!settings.password.empty()) options.push_back("-sPDFPassword=" + settings.password);
    ChildProgram::Streams streams;
    streams.captureOutput = true;
    streams.feedInput = true;
    streams.passedFile = document;
    streams.discardErrors = quiet;
    const bool started = m_gs.Start(GhostscriptReadingInput(device, dpi, options), streams, error);
    close(document);
    if (!started) return false;
    const std::string program = SelectedPagesProgram() + Filler();
    if (m_gs.WriteInput(program.data(), program.size())) return true;
    *error = GhostscriptFailure(m_gs.Wait());
    return false;
}

bool SelectedPdfPages::Choose(bool render) {
    const std::string choice = (render ? "1" : "0") + Filler();
    return m_gs.WriteInput(choice.data(), choice.size());
}

}  // namespace aro::host
