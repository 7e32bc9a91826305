// Whose settings and folders a job gets, with the server run as root: local
// users printing over loopback (directly and through a real cupsd queue)
// each land in their own output folder; a name sent from another address,
// a name that is no account, and root land in the fallback account's.
#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>

#include "PrinterAppServer.h"
#include "SettingsSetup.h"

namespace aro::apptest {
namespace {

const char* const kAnn = "aro-test-ann";
const char* const kBen = "aro-test-ben";
const char* const kFallback = "aro-test-net";

int Shell(const std::string& command) {
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

// Local accounts of the test, made once per machine.
bool EnsureAccount(const char* name) {
    if (getpwnam(name) != nullptr) return true;
    return Shell(std::string("useradd --create-home --shell /usr/sbin/nologin ") + name +
                 " >/dev/null 2>&1") == 0 &&
           getpwnam(name) != nullptr;
}

// A fresh output folder of the account, named in its own user hive.
std::string GiveOutputFolder(const char* name, const std::string& root) {
    const passwd* account = getpwnam(name);
    const std::string folder = root + "/" + name;
    mkdir(folder.c_str(), 0700);
    const std::string config = std::string(account->pw_dir) + "/.config";
    mkdir(config.c_str(), 0700);
    mkdir((config + "/aro-printer").c_str(), 0700);
    WriteText(config + "/aro-printer/user.reg", host::MinimalUserHive(folder));
    for (const std::string& path :
         {folder, config, config + "/aro-printer", config + "/aro-printer/user.reg"})
        EXPECT_EQ(chown(path.c_str(), account->pw_uid, account->pw_gid), 0) << path;
    return folder;
}

// A test host of its own: a network namespace joined to this machine by a
// veth pair, so that a client comes from an address that is not loopback
// and its traffic never leaves the machine.
class TestHost {
public:
    TestHost() : m_name("aro-test-" + std::to_string(getpid())) {
        const std::string net = "10.231." + std::to_string(20 + getpid() % 200) + ".";
        m_serverAddress = net + "1";
        const std::string outside = "aro-o" + std::to_string(getpid() % 100000);
        const std::string inside = "aro-i" + std::to_string(getpid() % 100000);
        m_ready = Shell(Ip() + " netns add " + m_name) == 0 &&
                  Shell(Ip() + " link add " + outside + " type veth peer name " + inside) == 0 &&
                  Shell(Ip() + " link set " + inside + " netns " + m_name) == 0 &&
                  Shell(Ip() + " addr add " + m_serverAddress + "/30 dev " + outside) == 0 &&
                  Shell(Ip() + " link set " + outside + " up") == 0 &&
                  Shell(Ip() + " netns exec " + m_name + " " + Ip() + " addr add " + net +
                        "2/30 dev " + inside) == 0 &&
                  Shell(Ip() + " netns exec " + m_name + " " + Ip() + " link set " + inside +
                        " up") == 0 &&
                  Shell(Ip() + " netns exec " + m_name + " " + Ip() + " link set lo up") == 0;
        m_outside = outside;
    }
    ~TestHost() {
        Shell(Ip() + " link del " + m_outside + " >/dev/null 2>&1");
        Shell(Ip() + " netns del " + m_name + " >/dev/null 2>&1");
    }
    TestHost(const TestHost&) = delete;
    TestHost& operator=(const TestHost&) = delete;

    static std::string Ip() {
        return access("/usr/sbin/ip", X_OK) == 0 ? "/usr/sbin/ip" : "/sbin/ip";
    }
    bool ready() const { return m_ready; }
    // This machine's address as the test host sees it.
    const std::string& serverAddress() const { return m_serverAddress; }
    std::vector<std::string> Prefix() const { return {Ip(), "netns", "exec", m_name}; }

private:
    std::string m_name, m_outside, m_serverAddress;
    bool m_ready = false;
};

// The TIFF files of the folder, each checked to belong to the account.
size_t FilesOf(const std::string& folder, const char* name) {
    std::vector<std::string> files = TiffFilesIn(folder);
    for (const std::string& file : files) {
        struct stat info {};
        EXPECT_EQ(stat(file.c_str(), &info), 0);
        EXPECT_EQ(info.st_uid, getpwnam(name)->pw_uid) << file;
        EXPECT_FALSE(PagesOf(file).empty()) << file;
    }
    return files.size();
}

class PrinterAppUsersTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveIpptool()) GTEST_SKIP() << "ipptool is not installed";
        if (geteuid() != 0)
            GTEST_SKIP() << "running jobs as their users needs a server run as root";
        for (const char* name : {kAnn, kBen, kFallback})
            ASSERT_TRUE(EnsureAccount(name)) << "cannot create the local account " << name;
        m_server = std::make_unique<PrinterAppServer>();
        m_server->AddServerOption(std::string("fallback-user=") + kFallback);
        m_server->AddServerOption("listen-hostname=*");
        std::string why;
        ASSERT_TRUE(m_server->Start(&why)) << why;
        for (const char* name : {kAnn, kBen, kFallback})
            m_folders[name] = GiveOutputFolder(name, m_server->root());
        m_document = MakePostScript(m_server->root() + "/two.ps", 2, false);
        chmod(m_document.c_str(), 0644);
    }

    // ipptool's $user is always the name it runs as: the test's own
    // variable carries the requesting-user-name.
    IppRun PrintAs(const std::string& user, const std::string& printerUri) {
        std::string test = kPrintAndWait;
        for (size_t at = test.find("$user"); at != std::string::npos; at = test.find("$user", at))
            test.replace(at, 5, "$requser");
        return m_server->IppTo(printerUri, test,
                               {{"requser", user},
                                {"filetype", "application/postscript"},
                                {"colormode", "monochrome"},
                                {"resolution", "200dpi"},
                                {"jobname", "users"}},
                               m_document);
    }

    std::unique_ptr<PrinterAppServer> m_server;
    std::map<std::string, std::string> m_folders;
    std::string m_document;
};

TEST_F(PrinterAppUsersTest, TrustedNamesGetTheirOwnFoldersAndEveryOtherNameTheFallbacks) {
    const std::string loopback = m_server->uri();
    for (const char* user : {kAnn, kBen}) {
        IppRun run = PrintAs(user, loopback);
        EXPECT_EQ(run.Value("job-state"), "completed") << run.output << m_server->Log();
    }
    EXPECT_EQ(FilesOf(m_folders[kAnn], kAnn), 1u);
    EXPECT_EQ(FilesOf(m_folders[kBen], kBen), 1u);

    // Names that are no account, and root, never run a job as such.
    for (const char* user : {"no-such-user-here", "root"}) {
        IppRun run = PrintAs(user, loopback);
        EXPECT_EQ(run.Value("job-state"), "completed") << run.output;
    }
    EXPECT_EQ(FilesOf(m_folders[kFallback], kFallback), 2u);

    // Another host: the name the client sends is not believed.
    TestHost host;
    if (!host.ready()) GTEST_SKIP() << "no network namespace can be made here (ip netns)";
    m_server->SetClientPrefix(host.Prefix());
    const std::string remote =
        "ipp://" + host.serverAddress() + ":" + std::to_string(m_server->port()) + "/ipp/print";
    IppRun spoofed = PrintAs(kAnn, remote);
    EXPECT_EQ(spoofed.Value("job-state"), "completed") << spoofed.output << m_server->Log();
    EXPECT_EQ(FilesOf(m_folders[kAnn], kAnn), 1u);
    EXPECT_EQ(FilesOf(m_folders[kFallback], kFallback), 3u);
}

// A private cupsd with its own ServerRoot and port, stopped by its id.
class PrivateCupsd {
public:
    explicit PrivateCupsd(const std::string& root) : m_root(root + "/cups") {
        for (const char* folder : {"", "/spool", "/cache", "/state", "/log", "/tmp", "/ppd"})
            mkdir((m_root + folder).c_str(), 0755);
        chmod((m_root + "/tmp").c_str(), 01777);
        // cupsd runs its filters and backends as lp.
        for (const char* folder : {"/spool", "/cache", "/state", "/tmp"})
            Shell("chown lp:lp '" + m_root + folder + "'");
    }
    ~PrivateCupsd() {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }

    bool Start(int port, std::string* why) {
        m_server = "127.0.0.1:" + std::to_string(port);
        WriteText(m_root + "/cups-files.conf",
                  "ServerRoot " + m_root + "\nRequestRoot " + m_root + "/spool\nCacheDir " +
                      m_root + "/cache\nStateDir " + m_root + "/state\nTempDir " + m_root +
                      "/tmp\nAccessLog " + m_root + "/log/access_log\nErrorLog " + m_root +
                      "/log/error_log\nPageLog " + m_root +
                      "/log/page_log\nUser lp\nGroup lp\nSystemGroup root\n");
        WriteText(m_root + "/cupsd.conf", "Listen " + m_server +
                                              "\nLogLevel info\nBrowsing Off\nWebInterface No\n"
                                              "DefaultAuthType None\n<Location />\n"
                                              "  Order allow,deny\n  Allow all\n</Location>\n");
        m_pid = fork();
        if (m_pid == 0) {
            execl("/usr/sbin/cupsd", "cupsd", "-f", "-c", (m_root + "/cupsd.conf").c_str(), "-s",
                  (m_root + "/cups-files.conf").c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        for (int tries = 0; tries < 80; ++tries) {
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
            if (Shell("lpstat -h " + m_server + " -r >/dev/null 2>&1") == 0) return true;
        }
        *why = "cupsd did not answer: " + ReadText(m_root + "/log/error_log");
        return false;
    }

    const std::string& server() const { return m_server; }
    std::string ErrorLog() const { return ReadText(m_root + "/log/error_log"); }

private:
    std::string m_root;
    std::string m_server;
    pid_t m_pid = -1;
};

bool WaitForFiles(const std::string& folder, size_t count) {
    for (int tries = 0; tries < 240; ++tries) {
        if (TiffFilesIn(folder).size() >= count) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    return false;
}

TEST_F(PrinterAppUsersTest, TwoUsersPrintThroughACupsQueueIntoTheirOwnFolders) {
    if (access("/usr/sbin/cupsd", X_OK) != 0) GTEST_SKIP() << "cupsd is not installed";
    PrivateCupsd cupsd(m_server->root());
    std::string why;
    ASSERT_TRUE(cupsd.Start(FreeLoopbackPort(), &why)) << why;
    // CUPS prints that drivers are deprecated; the queue is what counts.
    ASSERT_EQ(Shell("lpadmin -h " + cupsd.server() + " -p ARO -E -v " + m_server->uri() +
                    " -m everywhere >/dev/null 2>&1"),
              0)
        << cupsd.ErrorLog();
    for (const char* user : {kAnn, kBen})
        ASSERT_EQ(Shell(std::string("runuser -u ") + user + " -- lp -h " + cupsd.server() +
                        " -d ARO -o print-color-mode=monochrome '" + m_document + "' >/dev/null"),
                  0)
            << user;
    for (const char* user : {kAnn, kBen})
        EXPECT_TRUE(WaitForFiles(m_folders[user], 1)) << user << "\n"
                                                      << cupsd.ErrorLog() << m_server->Log();
    EXPECT_EQ(FilesOf(m_folders[kAnn], kAnn), 1u);
    EXPECT_EQ(FilesOf(m_folders[kBen], kBen), 1u);
    EXPECT_TRUE(TiffFilesIn(m_folders[kFallback]).empty());
}

}  // namespace
}  // namespace aro::apptest

namespace aro::apptest {
namespace {

// The main loop's socket would take any local user's requests as an
// administrator's, device searches included.
TEST(PrinterAppLocalSocketTest, OnlyTheServersAccountMayConnect) {
    if (!HaveIpptool()) GTEST_SKIP() << "ipptool is not installed";
    PrinterAppServer server;
    std::string why;
    ASSERT_TRUE(server.Start(&why)) << why;
    const uid_t uid = geteuid();
    const std::string socket = server.root() + "/tmp/aro-printer-app" +
                               (uid == 0 ? std::string() : std::to_string(uid)) + ".sock";
    struct stat info {};
    for (int tries = 0; tries < 40; ++tries) {
        if (stat(socket.c_str(), &info) == 0 && (info.st_mode & 0077) == 0) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_EQ(stat(socket.c_str(), &info), 0) << socket;
    EXPECT_TRUE(S_ISSOCK(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_EQ(info.st_uid, uid);
    // Its own sub-commands still reach it.
    EXPECT_EQ(server.RunApp({"status"}).exitCode, 0);
}

}  // namespace
}  // namespace aro::apptest
