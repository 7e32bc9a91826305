#include "PrinterAppInstance.h"

#include <dirent.h>
#include <ftw.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

#include "PrinterAppIpp.h"
#include "SpawnedProcess.h"

namespace aro::bench {

namespace {

constexpr int kStartTries = 80;  // 20 s in steps of 250 ms
constexpr int kStopTries = 100;  // 5 s in steps of 50 ms

constexpr int kPortTries = 20;

// Binds a loopback socket of the family to port (0: any); the port bound,
// 0 when it is taken, -1 when the machine has no such loopback address.
int BindLoopback(int family, int port) {
    const int fd = socket(family, SOCK_STREAM, 0);
    sockaddr_storage storage{};
    auto* v4 = reinterpret_cast<sockaddr_in*>(&storage);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&storage);
    socklen_t size = family == AF_INET ? sizeof *v4 : sizeof *v6;
    if (family == AF_INET) {
        v4->sin_family = AF_INET;
        v4->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        v4->sin_port = htons(static_cast<uint16_t>(port));
    } else {
        v6->sin6_family = AF_INET6;
        v6->sin6_addr = in6addr_loopback;
        v6->sin6_port = htons(static_cast<uint16_t>(port));
    }
    auto* address = reinterpret_cast<sockaddr*>(&storage);
    if (fd < 0) return -1;
    int bound = 0;
    if (bind(fd, address, size) == 0 && getsockname(fd, address, &size) == 0)
        bound = ntohs(family == AF_INET ? v4->sin_port : v6->sin6_port);
    else if (errno == EADDRNOTAVAIL)
        bound = -1;
    close(fd);
    return bound;
}

// A port free on 127.0.0.1 and on ::1: "localhost" names both, and a
// server that finds one of them taken listens on the other alone, while
// clients may reach the other program first.
int FreeLoopbackPort() {
    for (int tries = 0; tries < kPortTries; ++tries) {
        const int port = BindLoopback(AF_INET, 0);
        if (port <= 0) return 0;
        const int v6 = BindLoopback(AF_INET6, port);
        if (v6 == port || v6 < 0) return port;
    }
    return 0;
}

int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) {
    return remove(path);
}

// Both hives name the output folder: the job's account reads one of them.
std::string Hive(const char* root, const std::string& folder) {
    return std::string("Windows Registry Editor Version 5.00\n\n[") + root +
           "\\Software\\ARO Digital\\Dovurezazuv]\n"
           "\"AlternateKey\"=\"Software\\\\ARO Digital\\\\aro-bench\"\n\n[" +
           root + "\\Software\\ARO Digital\\aro-bench]\n\"Dovurezazuv\"=\"" + folder + "\"\n";
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool Exited(pid_t pid) {
    int status = 0;
    return waitpid(pid, &status, WNOHANG) == pid;
}

}  // namespace

PrinterAppInstance::PrinterAppInstance(const std::string& parent) {
    mkdir(parent.c_str(), 0755);
    std::string pattern = parent + "/printer-app-XXXXXX";
    if (!mkdtemp(pattern.data())) return;  // Start reports it
    m_root = pattern;
    // A server run as root runs its jobs as another account: that account
    // reads the hives and writes the output folder.
    chmod(m_root.c_str(), 0755);
    for (const char* folder : {"/spool", "/tmp", "/home"}) mkdir((m_root + folder).c_str(), 0700);
    mkdir(outDir().c_str(), 0777);
    chmod(outDir().c_str(), 0777);
    chmod(WriteFile("user.reg", Hive("HKEY_CURRENT_USER", outDir())).c_str(), 0644);
    chmod(WriteFile("machine.reg", Hive("HKEY_LOCAL_MACHINE", outDir())).c_str(), 0644);
    m_environment =
        EnvironmentWith({"ARO_PRINTER_HKCU=" + m_root + "/user.reg",
                         "ARO_PRINTER_HKLM=" + m_root + "/machine.reg", "TMPDIR=" + m_root + "/tmp",
                         "HOME=" + m_root + "/home", "XDG_CONFIG_HOME=" + m_root + "/home"});
}

PrinterAppInstance::~PrinterAppInstance() {
    Stop();
    // ARO_BENCH_KEEP=1 keeps the folder (log, spool, files) for a look.
    if (!m_root.empty() && !getenv("ARO_BENCH_KEEP"))
        nftw(m_root.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

std::string PrinterAppInstance::uri() const {
    return "ipp://localhost:" + std::to_string(m_port) + "/ipp/print";
}

bool PrinterAppInstance::Start(const std::string& program, const std::string& aroPrint,
                               std::string* error) {
    m_port = FreeLoopbackPort();
    if (m_root.empty() || m_port == 0) {
        *error = "aro-printer-app: no work folder or free port";
        return false;
    }
    const std::vector<std::string> argv = {program, "server",
                                           "-o",    "server-port=" + std::to_string(m_port),
                                           "-o",    "listen-hostname=localhost",
                                           "-o",    "spool-directory=" + m_root + "/spool",
                                           "-o",    "state-file=" + m_root + "/server.state",
                                           "-o",    "log-file=" + m_root + "/server.log",
                                           "-o",    "log-level=info",
                                           "-o",    "aro-print=" + aroPrint};
    m_pid = Spawn(argv, m_environment, m_root + "/server.out");
    const std::string test = WriteFile("printer.test", PrinterAttributesTest());
    for (int tries = 0; m_pid > 0 && tries < kStartTries; ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        if (Exited(m_pid)) {
            m_pid = -1;
            break;
        }
        if (RunToEnd(IpptoolCommand(uri(), test, ""), m_environment, m_root + "/ready.out") == 0)
            return true;
    }
    *error = "aro-printer-app did not answer: " + ReadText(m_root + "/server.out") + Log();
    Stop();
    return false;
}

void PrinterAppInstance::Stop() {
    if (m_pid <= 0) return;
    kill(m_pid, SIGTERM);
    for (int tries = 0; tries < kStopTries; ++tries) {
        if (Exited(m_pid)) {
            m_pid = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    kill(m_pid, SIGKILL);
    WaitFor(m_pid);
    m_pid = -1;
}

std::string PrinterAppInstance::WriteFile(const std::string& name, const std::string& text) const {
    const std::string path = m_root + "/" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

std::vector<std::string> PrinterAppInstance::OutputFiles() const {
    std::vector<std::string> files;
    if (DIR* dir = opendir(outDir().c_str())) {
        while (const dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name.size() > 4 && name.compare(name.size() - 4, 4, ".TIF") == 0)
                files.push_back(outDir() + "/" + name);
        }
        closedir(dir);
    }
    std::sort(files.begin(), files.end());
    return files;
}

void PrinterAppInstance::ClearOutput() const {
    for (const std::string& file : OutputFiles()) unlink(file.c_str());
}

std::string PrinterAppInstance::Log() const {
    return ReadText(m_root + "/server.log");
}

}  // namespace aro::bench
