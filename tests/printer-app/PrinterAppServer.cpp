#include "PrinterAppServer.h"

#include <dirent.h>
#include <fcntl.h>
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
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace aro::apptest {

namespace {

constexpr int kStartSeconds = 20;
constexpr int kStopSeconds = 20;
constexpr int kBusyRetries = 100;

int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) {
    return remove(path);
}

// Runs argv with environment; standard output and error into output.
int Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
          const std::string& outputFile, pid_t* started = nullptr) {
    std::vector<char*> args, env;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    for (const std::string& e : environment) env.push_back(const_cast<char*>(e.c_str()));
    env.push_back(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        int out = open(outputFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        int in = open("/dev/null", O_RDONLY);
        dup2(in, 0), dup2(out, 1), dup2(out, 2);
        execve(args[0], args.data(), env.data());
        _exit(127);
    }
    if (started) {
        *started = pid;
        return 0;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string Hive(const char* root, const std::string& folder) {
    return std::string("Windows Registry Editor Version 5.00\n\n[") + root +
           "\\Software\\ARO Digital\\Dovurezazuv]\n"
           "\"AlternateKey\"=\"Software\\\\ARO Digital\\\\aro-printer-app-test\"\n\n[" +
           root + "\\Software\\ARO Digital\\aro-printer-app-test]\n\"Dovurezazuv\"=\"" + folder +
           "\"\n";
}

// Trimmed "name (type) = value" lines of ipptool -tv.
bool AttributeLine(const std::string& line, const std::string& name, std::string* value) {
    size_t start = line.find_first_not_of(' ');
    if (start == std::string::npos || line.compare(start, name.size(), name) != 0) return false;
    size_t rest = start + name.size();
    if (line.compare(rest, 2, " (") != 0) return false;
    size_t equals = line.find(") = ", rest);
    if (equals == std::string::npos) return false;
    *value = line.substr(equals + 4);
    return true;
}

}  // namespace

int FreeLoopbackPort() {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        close(fd);
        return 0;
    }
    close(fd);
    return ntohs(address.sin_port);
}

std::string IppRun::Value(const std::string& name) const {
    std::vector<std::string> values = Values(name);
    return values.empty() ? "" : values.back();
}

std::vector<std::string> IppRun::Values(const std::string& name) const {
    std::vector<std::string> values;
    std::istringstream in(output);
    std::string value;
    for (std::string line; std::getline(in, line);)
        if (AttributeLine(line, name, &value)) values.push_back(value);
    return values;
}

bool HaveIpptool() {
    return access(ARO_IPPTOOL, X_OK) == 0;
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

PrinterAppServer::PrinterAppServer() {
    char pattern[] = "/tmp/aro-printer-app-test-XXXXXX";
    m_root = mkdtemp(pattern) ? pattern : "";
    // Jobs of a server run as root run as another account: it must reach
    // the hives and write the output folder.
    chmod(m_root.c_str(), 0755);
    for (const char* folder : {"/spool", "/tmp", "/home"}) mkdir((m_root + folder).c_str(), 0700);
    NewOutputFolder("out");
}

// PAPPL's client sub-commands start a private server of their own when
// they cannot reach one; none may outlive the test.
static void StopServersUsing(const std::string& tmpdir) {
    const std::string wanted = "TMPDIR=" + tmpdir;
    DIR* proc = opendir("/proc");
    while (dirent* entry = proc ? readdir(proc) : nullptr) {
        const pid_t pid = static_cast<pid_t>(std::atoi(entry->d_name));
        if (pid <= 0 || pid == getpid()) continue;
        const std::string base = std::string("/proc/") + entry->d_name;
        std::string environment = ReadText(base + "/environ");
        std::string command = ReadText(base + "/cmdline");
        for (char& c : environment)
            if (c == '\0') c = '\n';
        if (command.find("aro-printer-app") != std::string::npos &&
            ("\n" + environment).find("\n" + wanted + "\n") != std::string::npos)
            kill(pid, SIGKILL);
    }
    if (proc) closedir(proc);
}

PrinterAppServer::~PrinterAppServer() {
    Stop();
    if (!m_root.empty()) StopServersUsing(m_root + "/tmp");
    if (!m_root.empty() && !getenv("ARO_KEEP_TEST_FOLDERS"))
        nftw(m_root.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

void PrinterAppServer::WriteHives(const std::string& folder) const {
    WriteText(m_root + "/user.reg", Hive("HKEY_CURRENT_USER", folder));
    WriteText(m_root + "/machine.reg", Hive("HKEY_LOCAL_MACHINE", folder));
    chmod((m_root + "/user.reg").c_str(), 0644);
    chmod((m_root + "/machine.reg").c_str(), 0644);
}

std::string PrinterAppServer::NewOutputFolder(const std::string& name) {
    std::string folder = m_root + "/" + name;
    mkdir(folder.c_str(), 0777);
    chmod(folder.c_str(), 0777);
    WriteHives(folder);
    return folder;
}

std::vector<std::string> PrinterAppServer::Environment() const {
    std::vector<std::string> environment;
    for (char** e = environ; *e; ++e) {
        std::string entry = *e;
        if (entry.rfind("ARO_PRINTER_", 0) != 0 && entry.rfind("TMPDIR=", 0) != 0 &&
            entry.rfind("SNAP_COMMON=", 0) != 0 && entry.rfind("HOME=", 0) != 0 &&
            entry.rfind("XDG_CONFIG_HOME=", 0) != 0)
            environment.push_back(entry);
    }
    environment.push_back("ARO_PRINTER_HKCU=" + m_root + "/user.reg");
    environment.push_back("ARO_PRINTER_HKLM=" + m_root + "/machine.reg");
    // The client sub-commands find the server's socket in TMPDIR; as root
    // PAPPL keeps it in /run, one for every server, unless SNAP_COMMON
    // names a folder (the server's spool and state are named explicitly,
    // so that is all SNAP_COMMON changes).
    environment.push_back("TMPDIR=" + m_root + "/tmp");
    environment.push_back("SNAP_COMMON=" + m_root + "/tmp");
    environment.push_back("HOME=" + m_root + "/home");
    environment.push_back("XDG_CONFIG_HOME=" + m_root + "/home");
    return environment;
}

std::string PrinterAppServer::uri() const {
    return "ipp://localhost:" + std::to_string(m_port) + "/ipp/print";
}

bool PrinterAppServer::Start(std::string* why) {
    return Start(ARO_PRINT_PATH, why);
}

bool PrinterAppServer::Start(const std::string& aroPrint, std::string* why) {
    m_port = FreeLoopbackPort();
    if (m_root.empty() || m_port == 0) {
        *why = "no temporary folder or free port";
        return false;
    }
    std::vector<std::string> argv = {ARO_PRINTER_APP_PATH,
                                     "server",
                                     "-o",
                                     "server-port=" + std::to_string(m_port),
                                     "-o",
                                     "listen-hostname=localhost",
                                     "-o",
                                     "spool-directory=" + m_root + "/spool",
                                     "-o",
                                     "state-file=" + m_root + "/server.state",
                                     "-o",
                                     "log-file=" + m_root + "/server.log",
                                     "-o",
                                     "log-level=info",
                                     "-o",
                                     "aro-print=" + aroPrint};
    for (const std::string& option : m_extraOptions) argv.insert(argv.end(), {"-o", option});
    Spawn(argv, Environment(), m_root + "/server.out", &m_pid);
    for (int tries = 0; tries < kStartSeconds * 4; ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        if (!Running()) break;
        if (Ipp(kPrinterAttributes).exitCode == 0) return true;
    }
    *why = "the server did not answer: " + ReadText(m_root + "/server.out") + Log();
    return false;
}

bool PrinterAppServer::Running() {
    if (m_pid <= 0) return false;
    int status = 0;
    if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
        m_pid = -1;
        return false;
    }
    return true;
}

int PrinterAppServer::Stop() {
    if (m_pid <= 0) return 0;
    kill(m_pid, SIGTERM);
    int status = 0;
    for (int tries = 0; tries < kStopSeconds * 20; ++tries) {
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            return status;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    kill(m_pid, SIGKILL);
    waitpid(m_pid, &status, 0);
    m_pid = -1;
    return status;
}

IppRun PrinterAppServer::Ipp(const std::string& testText,
                             const std::map<std::string, std::string>& variables,
                             const std::string& document) const {
    return IppTo(uri(), testText, variables, document);
}

IppRun PrinterAppServer::IppTo(const std::string& printerUri, const std::string& testText,
                               const std::map<std::string, std::string>& variables,
                               const std::string& document) const {
    static int counter = 0;
    const std::string base = m_root + "/ipp" + std::to_string(++counter);
    WriteText(base + ".test", testText);
    std::vector<std::string> argv = m_clientPrefix;
    argv.insert(argv.end(), {ARO_IPPTOOL, "-T", "90", "-tv"});
    if (!document.empty()) argv.insert(argv.end(), {"-f", document});
    for (const auto& [name, value] : variables) argv.insert(argv.end(), {"-d", name + "=" + value});
    argv.insert(argv.end(), {printerUri, base + ".test"});
    IppRun run;
    // One job at a time: a printer busy with the previous job is asked
    // again, as CUPS does.
    for (int tries = 0; tries < kBusyRetries; ++tries) {
        unlink((base + ".out").c_str());
        run.exitCode = Spawn(argv, Environment(), base + ".out");
        run.output = ReadText(base + ".out");
        if (run.output.find("server-error-busy") == std::string::npos) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    return run;
}

IppRun PrinterAppServer::RunApp(const std::vector<std::string>& arguments) const {
    static int counter = 0;
    const std::string out = m_root + "/app" + std::to_string(++counter) + ".out";
    std::vector<std::string> argv = {ARO_PRINTER_APP_PATH};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    IppRun run;
    run.exitCode = Spawn(argv, Environment(), out);
    run.output = ReadText(out);
    return run;
}

std::string PrinterAppServer::Log() const {
    return ReadText(m_root + "/server.log");
}

std::vector<std::string> TiffFilesIn(const std::string& folder) {
    std::vector<std::string> files;
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* entry = readdir(dir)) {
            std::string name = entry->d_name;
            if (name.size() > 4 && name.compare(name.size() - 4, 4, ".TIF") == 0)
                files.push_back(folder + "/" + name);
        }
        closedir(dir);
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<test::TiffPage> PagesOf(const std::string& tiff) {
    std::vector<test::TiffPage> pages;
    test::ReadTiffPages(tiff, &pages);
    return pages;
}

std::string MakePostScript(const std::string& path, int pages, bool colour) {
    std::string text = "%!PS-Adobe-3.0\n%%Pages: " + std::to_string(pages) +
                       "\n%%EndComments\n/Helvetica findfont 36 scalefont setfont\n";
    for (int page = 1; page <= pages; ++page) {
        text += "%%Page: " + std::to_string(page) + " " + std::to_string(page) + "\n";
        if (colour) text += "1 0 0 setrgbcolor 72 300 400 300 rectfill 0 setgray\n";
        text += "72 700 moveto (Page " + std::to_string(page) + " of the test) show\n";
        text += "72 100 450 8 rectfill showpage\n";
    }
    WriteText(path, text + "%%EOF\n");
    return path;
}

bool Ghostscript(const std::vector<std::string>& arguments) {
    std::vector<std::string> argv = {"/usr/bin/gs", "-q", "-dNOPAUSE", "-dBATCH", "-dSAFER"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<std::string> environment;
    for (char** e = environ; *e; ++e) environment.push_back(*e);
    return Spawn(argv, environment, "/dev/null") == 0;
}

// The pieces the ipptool test texts are made of.
#define ARO_IPP_REQUEST(title, operation)                     \
    "{\n  NAME \"" title "\"\n  OPERATION " operation         \
    "\n"                                                      \
    "  GROUP operation-attributes-tag\n"                      \
    "  ATTR charset attributes-charset utf-8\n"               \
    "  ATTR naturalLanguage attributes-natural-language en\n" \
    "  ATTR uri printer-uri $uri\n"                           \
    "  ATTR name requesting-user-name $user\n"
#define ARO_IPP_OPERATION(name) ARO_IPP_REQUEST(name, name)
#define ARO_IPP_JOB_STATE                  \
    "  ATTR keyword requested-attributes " \
    "job-state,job-state-reasons,job-state-message,job-impressions,job-impressions-completed\n"
#define ARO_IPP_PRINT_JOB                              \
    ARO_IPP_OPERATION("Print-Job")                     \
    "  ATTR mimeMediaType document-format $filetype\n" \
    "  ATTR name job-name $jobname\n"                  \
    "  GROUP job-attributes-tag\n"
#define ARO_IPP_WAIT_FOR_END                                        \
    ARO_IPP_REQUEST("Wait for the job's end", "Get-Job-Attributes") \
    "  ATTR integer job-id $job-id\n" ARO_IPP_JOB_STATE             \
    "  STATUS successful-ok\n"                                      \
    "  EXPECT job-state WITH-VALUE >6 REPEAT-NO-MATCH\n"            \
    "  REPEAT-LIMIT 600\n"                                          \
    "  DELAY \"0,0.2\"\n}\n"

const char kPrintAndWait[] = ARO_IPP_PRINT_JOB
    "  ATTR keyword print-color-mode $colormode\n"
    "  ATTR resolution printer-resolution $resolution\n"
    "  FILE $filename\n  STATUS successful-ok\n  EXPECT job-id\n}\n" ARO_IPP_WAIT_FOR_END;

const char kCreateSendAndWait[] = ARO_IPP_OPERATION("Create-Job")
    "  ATTR name job-name $jobname\n"
    "  GROUP job-attributes-tag\n"
    "  ATTR keyword print-color-mode $colormode\n"
    "  STATUS successful-ok\n  EXPECT job-id\n}\n" ARO_IPP_OPERATION("Send-Document")
    "  ATTR integer job-id $job-id\n"
    "  ATTR mimeMediaType document-format $filetype\n"
    "  ATTR boolean last-document true\n"
    "  FILE $filename\n  STATUS successful-ok\n}\n" ARO_IPP_WAIT_FOR_END;

const char kPrintNoWait[] = ARO_IPP_PRINT_JOB
    "  ATTR resolution printer-resolution $resolution\n"
    "  FILE $filename\n  STATUS successful-ok\n  EXPECT job-id\n}\n";

const char kJobAttributes[] =
    ARO_IPP_OPERATION("Get-Job-Attributes") "  ATTR integer job-id $jobid\n" ARO_IPP_JOB_STATE
                                            "  STATUS successful-ok\n}\n";

const char kCancelJob[] =
    ARO_IPP_OPERATION("Cancel-Job") "  ATTR integer job-id $jobid\n  STATUS successful-ok\n}\n";

const char kPrinterAttributes[] =
    ARO_IPP_OPERATION("Get-Printer-Attributes") "  STATUS successful-ok\n}\n";

}  // namespace aro::apptest
