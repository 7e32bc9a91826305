// Two processes storing the module's version record in one hive file
// 1,000 times each while a third reads it: the writes go through the same
// function the module uses. No read may ever see a torn file, a value of
// the file that was not written lost, or a writer's record go back in time.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

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

}  // namespace
}  // namespace aro::soak
