#include "TextExtraction.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "ChildProgram.h"

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

}  // namespace

bool WriteDocumentText(const std::string& input, InputType type, const std::string& textFile,
                       const std::string& password, std::string* error) {
    if (type != InputType::Pdf) return WriteEmptyFile(textFile, error);
    std::vector<std::string> argv = {"pdftotext", "-layout"};
    if (!password.empty()) argv.insert(argv.end(), {"-upw", password});
    argv.insert(argv.end(), {AsOperand(input), AsOperand(textFile)});
    int status = RunProgram(argv, {}, nullptr, error);
    if (status == 0) return true;
    if (status > 0)
        *error = "pdftotext failed (exit status " + std::to_string(status) + ")";
    else if (error->empty())
        *error = "pdftotext did not finish";
    std::string ignored;
    WriteEmptyFile(textFile, &ignored);
    return false;
}

}  // namespace aro::host
