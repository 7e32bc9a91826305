#include "ModuleHarness.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace aro::itest {

namespace {

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

}  // namespace

Sandbox::Sandbox() {
    char pattern[] = "/tmp/aro-itest-XXXXXX";
    m_root = mkdtemp(pattern);
    for (const char* sub : {"/tmp", "/out", "/system"}) mkdir((m_root + sub).c_str(), 0700);
}

Sandbox::~Sandbox() {
    std::string command = "rm -rf '" + m_root + "'";
    if (std::system(command.c_str()) != 0) {
        // A leftover temporary folder is harmless.
    }
}

void Sandbox::WriteUserHive(const std::string& body) const {
    WriteText(userHive(), "Windows Registry Editor Version 5.00\n\n" + body);
}

void Sandbox::WriteMachineHive(const std::string& body) const {
    WriteText(machineHive(), "Windows Registry Editor Version 5.00\n\n" + body);
}

void Sandbox::UseSettings(const std::vector<std::pair<std::string, std::string>>& values) const {
    std::string body =
        "[HKEY_CURRENT_USER\\Software\\ARO Digital\\Dovurezazuv]\n"
        "\"AlternateKey\"=\"Software\\\\Test\\\\Out\"\n";
    for (const auto& [name, value] : values) body += "\"" + name + "\"=\"" + value + "\"\n";
    body += "\n[HKEY_CURRENT_USER\\Software\\Test\\Out]\n\"Dovurezazuv\"=\"" + outDir() + "\"\n";
    WriteUserHive(body);
}

JobResult Sandbox::Run(const std::function<void(Module&, std::vector<std::string>&)>& body,
                       const std::vector<std::string>& extraEnvironment) const {
    std::string outputsPath = m_root + "/outputs.txt";
    std::string errorsPath = m_root + "/stderr.txt";
    std::fflush(nullptr);
    pid_t child = fork();
    if (child == 0) {
        int err = open(errorsPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(err, 2);
        setenv("ARO_PRINTER_HKCU", userHive().c_str(), 1);
        setenv("ARO_PRINTER_HKLM", machineHive().c_str(), 1);
        setenv("TMPDIR", tempDir().c_str(), 1);
        setenv("ARO_PRINTER_SYSTEM_DIR", systemDir().c_str(), 1);
        for (const auto& assignment : extraEnvironment) putenv(strdup(assignment.c_str()));
        if (chdir(m_root.c_str()) != 0) _exit(92);
        Module m;
        std::string error;
        if (!host::LoadExitModule(ARO_MODULE_PATH, &m, &error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            _exit(91);
        }
        std::vector<std::string> outputs;
        body(m, outputs);
        std::ofstream out(outputsPath);
        for (const auto& line : outputs) out << line << "\n";
        out.close();
        std::fflush(nullptr);
        _exit(0);
    }
    JobResult result;
    int status = 0;
    waitpid(child, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::istringstream outputs(ReadFile(outputsPath));
    for (std::string line; std::getline(outputs, line);) result.outputs.push_back(line);
    result.standardError = ReadFile(errorsPath);
    unlink(outputsPath.c_str());
    return result;
}

std::vector<std::string> Sandbox::Files(const std::string& folder,
                                        const std::string& suffix) const {
    std::vector<std::string> names;
    std::string command = "ls -1 '" + folder + "' 2>/dev/null | sort";
    FILE* ls = popen(command.c_str(), "r");
    char line[1024];
    while (ls && std::fgets(line, sizeof line, ls)) {
        std::string name(line);
        name.pop_back();
        if (name.size() >= suffix.size() &&
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
            names.push_back(name);
    }
    if (ls) pclose(ls);
    return names;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

bool FileExists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

std::vector<unsigned char> MonoPage(uint32_t width, uint32_t rows, int seed) {
    uint32_t stride = (width + 31) / 32 * 4;
    std::vector<unsigned char> page(size_t(stride) * rows, 0xFF);
    for (uint32_t y = 0; y < rows; ++y)
        for (uint32_t x = 0; x < width; ++x)
            if (((x / 7 + y / 5 + seed) % 3 == 0) || (x + y * seed) % 11 == 0)
                page[y * stride + x / 8] &= static_cast<unsigned char>(~(0x80 >> (x % 8)));
    return page;
}

std::vector<int> PrintPage(Module& m, std::vector<unsigned char> page, uint32_t width,
                           uint32_t rows, uint32_t bandRows, int format, int dpi) {
    uint32_t stride = format == 1 ? (width + 31) / 32 * 4 : (width * 3 + 3) / 4 * 4;
    std::vector<int> statuses;
    m.startPage();
    for (uint32_t top = 0; top < rows; top += bandRows) {
        uint32_t n = std::min(bandRows, rows - top);
        statuses.push_back(m.endPage(page.data() + size_t(top) * stride, n, width, format, dpi,
                                     top + n < rows ? 1 : 0));
    }
    return statuses;
}

}  // namespace aro::itest
