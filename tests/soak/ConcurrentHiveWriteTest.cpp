// Two processes storing the module's version record in one hive file
// 1,000 times each while a third reads it: the writes go through the same
// function the module uses. No read may ever see a torn file, a value of
// the file that was not written lost, or a writer's record go back in time.
// And the module's document setup with the hive's lock held by another
// process: it goes on after a bounded wait, or at once when the record is
// already stored.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>
#include <vector>

#include "ModuleHarness.h"
#include "SoakSupport.h"
#include "platform/posix/AtomicFile.h"
#include "platform/posix/RegistryHive.h"

namespace aro::soak {
namespace {

constexpr int kWritesPerProcess = 1000;
constexpr const char* kVersionsKey = "Software\\ARO Digital\\Versions";
constexpr const char* kVersionValue = "ARO Printer DLL (AroPrinterCfg.dll)";
constexpr const char* kMainKey = "Software\\ARO Digital\\Dovurezazuv";

const char* const kHive =
    "Windows Registry Editor Version 5.00\r\n"
    "\r\n"
    "; kept by the administrator\r\n"
    "[HKEY_CURRENT_USER\\Software\\ARO Digital\\Dovurezazuv]\r\n"
    "\"AlternateKey\"=\"Software\\\\Test\\\\Out\"\r\n"
    "\"CutLines\"=\"08\"\r\n"
    "\r\n"
    "[HKEY_CURRENT_USER\\Software\\Test\\Out]\r\n"
    "\"Dovurezazuv\"=\"/srv/scans\"\r\n";

std::string Value(const std::string& text, const char* key, const char* name) {
    posix::HiveValue value;
    if (!posix::FindHiveValue(text, Hive::CurrentUser, key, name, &value) || value.data.empty())
        return "<absent>";
    return std::string(value.data.begin(), value.data.end() - 1);
}

// The writer's number in "2.1.7.0 @ writer<w>-<n>", -1 for another writer.
int WriterNumber(const std::string& record, int writer) {
    const std::string prefix = "2.1.7.0 @ writer" + std::to_string(writer) + "-";
    return record.rfind(prefix, 0) == 0 ? std::stoi(record.substr(prefix.size())) : -1;
}

pid_t StartWriter(const std::string& hive, int writer) {
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child != 0) return child;
    int failures = 0;
    for (int n = 0; n < kWritesPerProcess; ++n) {
        const std::string record =
            "2.1.7.0 @ writer" + std::to_string(writer) + "-" + std::to_string(n);
        if (!posix::WriteHiveString(hive, Hive::CurrentUser, kVersionsKey, kVersionValue,
                                    record.c_str()))
            ++failures;
    }
    _exit(failures == 0 ? 0 : 1);
}

bool Running(pid_t child, int* status) {
    return waitpid(child, status, WNOHANG) == 0;
}

TEST(ConcurrentHiveWriteTest, TwoWritersOneThousandRecordsEachNeverTearTheFile) {
    char folder[] = "/tmp/aro-soak-hive-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string hive = std::string(folder) + "/user.reg";
    std::ofstream(hive, std::ios::binary) << kHive;

    const pid_t writers[2] = {StartWriter(hive, 1), StartWriter(hive, 2)};
    int status[2] = {-1, -1};
    bool running[2] = {true, true};
    int lastSeen[2] = {-1, -1};
    int reads = 0, torn = 0, lost = 0, backwards = 0;
    while (running[0] || running[1]) {
        for (int w = 0; w < 2; ++w)
            if (running[w]) running[w] = Running(writers[w], &status[w]);
        std::string text;
        ASSERT_EQ(posix::ReadRegularFile(hive, &text), posix::FileReadResult::Read);
        ++reads;
        if (text.rfind("Windows Registry Editor Version 5.00\r\n", 0) != 0 ||
            text.find("; kept by the administrator") == std::string::npos)
            ++torn;
        if (Value(text, kMainKey, "AlternateKey") != "Software\\Test\\Out" ||
            Value(text, kMainKey, "CutLines") != "08" ||
            Value(text, "Software\\Test\\Out", "Dovurezazuv") != "/srv/scans")
            ++lost;
        const std::string record = Value(text, kVersionsKey, kVersionValue);
        for (int w = 0; w < 2; ++w) {
            const int n = WriterNumber(record, w + 1);
            if (n < 0) continue;
            if (n < lastSeen[w]) ++backwards;
            lastSeen[w] = n;
        }
        if (record != "<absent>" && WriterNumber(record, 1) < 0 && WriterNumber(record, 2) < 0)
            ++torn;
    }
    for (int w = 0; w < 2; ++w) {
        EXPECT_TRUE(WIFEXITED(status[w]) && WEXITSTATUS(status[w]) == 0) << "writer " << w + 1;
    }
    EXPECT_GT(reads, 10);
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(backwards, 0);

    // The last record is one writer's last; every other line is as it was.
    std::string text;
    ASSERT_EQ(posix::ReadRegularFile(hive, &text), posix::FileReadResult::Read);
    const std::string record = Value(text, kVersionsKey, kVersionValue);
    EXPECT_TRUE(WriterNumber(record, 1) == kWritesPerProcess - 1 ||
                WriterNumber(record, 2) == kWritesPerProcess - 1)
        << record;
    EXPECT_EQ(text.substr(0, std::string(kHive).size()), kHive);
    // No private temporary file is left behind.
    EXPECT_EQ(FolderEntries(folder), (std::vector<std::string>{"user.reg", "user.reg.lock"}));
    if (std::system(("rm -rf '" + std::string(folder) + "'").c_str()) != 0) {
        // A leftover temporary folder is harmless.
    }
}

// Another process holding an exclusive flock() on a file until destroyed.
class LockHolder {
public:
    explicit LockHolder(const std::string& lockFile) {
        int ready[2];
        if (pipe(ready) != 0 || pipe(m_release) != 0) return;
        std::fflush(nullptr);
        m_child = fork();
        if (m_child == 0) {
            close(ready[0]);
            close(m_release[1]);
            // Read-only is all flock() needs.
            const int fd = open(lockFile.c_str(), O_RDONLY | O_CREAT, 0600);
            const char held = (fd >= 0 && flock(fd, LOCK_EX) == 0) ? 1 : 0;
            if (write(ready[1], &held, 1) != 1) _exit(1);
            char ignored;
            while (read(m_release[0], &ignored, 1) < 0) {
            }
            _exit(0);
        }
        close(ready[1]);
        close(m_release[0]);
        char held = 0;
        m_held = read(ready[0], &held, 1) == 1 && held == 1;
        close(ready[0]);
    }
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;
    ~LockHolder() {
        close(m_release[1]);
        if (m_child > 0) waitpid(m_child, nullptr, 0);
    }
    bool held() const { return m_held; }

private:
    pid_t m_child = -1;
    int m_release[2] = {-1, -1};
    bool m_held = false;
};

// The document setup's milliseconds, and the diagnostic log afterwards.
struct SetupRun {
    int exitCode = -1;
    long milliseconds = -1;
    std::string log;
};

SetupRun RunDocumentSetup(const itest::Sandbox& box) {
    const std::string logPath = box.tempDir() + "AroPrinter.log";
    unlink(logPath.c_str());
    SetupRun run;
    const itest::JobResult job = box.Run([](itest::Module& m, std::vector<std::string>& out) {
        const auto started = std::chrono::steady_clock::now();
        m.startDoc();
        out.push_back(std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(
                                         std::chrono::steady_clock::now() - started)
                                         .count()));
        m.endDoc();
    });
    run.exitCode = job.exitCode;
    if (!job.outputs.empty()) run.milliseconds = std::stol(job.outputs[0]);
    run.log = itest::ReadFile(logPath);
    return run;
}

TEST(ConcurrentHiveWriteTest, HeldHiveLockNeverHoldsUpTheDocumentSetup) {
    itest::Sandbox box;
    box.UseSettings({{"Debug", "1"}});
    const std::string copy =
        "cp '" ARO_MODULE_PATH "' '" + box.systemDir() + "/libAroPrinterCfg.so'";
    ASSERT_EQ(std::system(copy.c_str()), 0);
    const std::string skipped = "Registry write skipped, the hive is locked or cannot be written\n";
    const long bound = posix::kHiveLockWait.count() + (UnderAddressSanitizer() ? 2000 : 1000);

    // No record yet: the setup waits a bounded time, skips the write, says so.
    std::string before = itest::ReadFile(box.userHive());
    {
        LockHolder holder(box.userHive() + ".lock");
        ASSERT_TRUE(holder.held());
        const SetupRun run = RunDocumentSetup(box);
        ASSERT_EQ(run.exitCode, 0);
        EXPECT_GE(run.milliseconds, posix::kHiveLockWait.count());
        EXPECT_LT(run.milliseconds, bound);
        EXPECT_NE(run.log.find(skipped), std::string::npos) << run.log;
        EXPECT_NE(run.log.find("Exit function WriteVersionNumber ="), std::string::npos);
        EXPECT_EQ(itest::ReadFile(box.userHive()), before);
    }

    // Stored once, the same record needs no lock at the next setups.
    SetupRun run = RunDocumentSetup(box);
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.log.find(skipped), std::string::npos) << run.log;
    before = itest::ReadFile(box.userHive());
    ASSERT_NE(Value(before, kVersionsKey, kVersionValue), "<absent>");
    {
        LockHolder holder(box.userHive() + ".lock");
        ASSERT_TRUE(holder.held());
        run = RunDocumentSetup(box);
        ASSERT_EQ(run.exitCode, 0);
        EXPECT_LT(run.milliseconds, posix::kHiveLockWait.count());
        EXPECT_EQ(run.log.find(skipped), std::string::npos) << run.log;
        EXPECT_EQ(itest::ReadFile(box.userHive()), before);
    }
}

}  // namespace
}  // namespace aro::soak
