#include "TextExtraction.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "ChildProgram.h"
#include "InterruptNotice.h"

namespace aro::host {

namespace {

bool WriteEmptyFile(const std::string& path, std::string* error) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        *error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    close(fd);
    return true;
}

bool Ran(const std::string& program, int status, std::string* error) {
    if (status == 0) return true;
    if (status > 0)
        *error = program + " failed (exit status " + std::to_string(status) + ")";
    else if (error->empty())
        *error = program + " did not finish";
    return false;
}

bool PdfText(const std::string& pdf, const std::string& textFile, const std::string& password,
             std::string* error) {
    std::vector<std::string> argv = {"pdftotext", "-layout"};
    if (!password.empty()) argv.insert(argv.end(), {"-upw", password});
    argv.insert(argv.end(), {AsOperand(pdf), AsOperand(textFile)});
    return Ran("pdftotext", RunProgram(argv, {}, nullptr, error), error);
}

// A temporary file of our own, removed when it goes out of scope or when
// the job is interrupted.
class TemporaryPdf {
public:
    TemporaryPdf() {
        const char* folder = std::getenv("TMPDIR");
        std::string pattern =
            std::string(folder && *folder ? folder : "/tmp") + "/aro-print-text-XXXXXX.pdf";
        int fd = mkostemps(pattern.data(), 4, O_CLOEXEC);
        if (fd < 0) return;
        close(fd);
        m_path = pattern;
        RemoveOnInterrupt(m_path);
    }
    ~TemporaryPdf() {
        if (m_path.empty()) return;
        unlink(m_path.c_str());
        RemoveOnInterrupt("");
    }
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

// Ghostscript turns the PostScript into a PDF, whose text pdftotext then
// takes exactly as from any PDF: the same words in the same order.
bool PostScriptText(const std::string& input, const std::string& textFile, std::string* error) {
    TemporaryPdf pdf;
    if (pdf.path().empty()) {
        *error = std::string("cannot make a temporary file: ") + std::strerror(errno);
        return false;
    }
    std::string output;  // Ghostscript would read a % in the name as a page number
    for (char c : pdf.path()) output += c == '%' ? std::string("%%") : std::string(1, c);
    ChildProgram::Streams streams;
    streams.discardErrors = true;  // the rendering has reported the document's faults
    int status = RunProgram({"gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=pdfwrite",
                             "-sOutputFile=" + output, "-sstdout=%stderr", "-f", AsOperand(input)},
                            streams, nullptr, error);
    return Ran("Ghostscript (making a PDF for the text)", status, error) &&
           PdfText(pdf.path(), textFile, "", error);
}

}  // namespace

bool WriteDocumentText(const std::string& input, InputType type, const std::string& textFile,
                       const std::string& password, std::string* error) {
    if (type != InputType::Pdf && type != InputType::PostScript)
        return WriteEmptyFile(textFile, error);
    if (type == InputType::Pdf ? PdfText(input, textFile, password, error)
                               : PostScriptText(input, textFile, error))
        return true;
    std::string ignored;
    WriteEmptyFile(textFile, &ignored);
    return false;
}

}  // namespace aro::host
