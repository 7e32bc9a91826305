// The Windows installer package (aro-printer.msi) under Wine's msiexec:
// the module lands in the system folder, the machine-wide defaults given as
// properties become the machine's settings and a job through the installed
// module uses them; uninstalling takes away the module and exactly the
// values the package wrote, never a user's.
#include <gtest/gtest.h>

#include "RegistryAccess.h"
#include "WindowsHarness.h"

namespace aro::wtest {
namespace {

constexpr const char* kDefaultsKey = "Software\\ARO Digital\\ARO Printer";
constexpr const char* kVersionsKey = "Software\\ARO Digital\\Versions";
constexpr const char* kVersionValue = "ARO Printer DLL (AroPrinterCfg.dll)";
constexpr DWORD kMsiexecTimeoutMilliseconds = 120000;

std::string SystemFolder() {
    char folder[MAX_PATH];
    GetSystemDirectoryA(folder, MAX_PATH);
    return folder;
}

std::string InstalledModule() {
    return SystemFolder() + "\\AroPrinterCfg.dll";
}

std::string Package() {
    return ProgramFolder() + "\\aro-printer.msi";
}

// msiexec with the arguments, quiet; its exit code (0: done).
DWORD Msiexec(const std::string& arguments) {
    const std::string program = SystemFolder() + "\\msiexec.exe";
    std::string line = "\"" + program + "\" " + arguments + " /qn";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return GetLastError();
    CloseHandle(process.hThread);
    DWORD exitCode = WAIT_TIMEOUT;
    if (WaitForSingleObject(process.hProcess, kMsiexecTimeoutMilliseconds) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &exitCode);
    else
        TerminateProcess(process.hProcess, WAIT_TIMEOUT);
    CloseHandle(process.hProcess);
    return exitCode;
}

// The same package with a higher version.
std::string NextPackage() {
    return ProgramFolder() + "\\aro-printer-next.msi";
}

std::string Install(const std::string& properties = "", const std::string& package = Package()) {
    return "/i \"" + package + "\"" + (properties.empty() ? "" : " " + properties);
}

std::string Uninstall(const std::string& package = Package()) {
    return "/x \"" + package + "\"";
}

// Makes sure nothing of a test stays installed, even when it failed half-way.
class InstalledPackage {
public:
    ~InstalledPackage() {
        Msiexec(Uninstall());
        Msiexec(Uninstall(NextPackage()));
    }
};

std::optional<std::string> Machine(const char* key, const char* name) {
    return GetRegistryString(HKEY_LOCAL_MACHINE, key, name);
}

bool MachineKeyExists(const char* key) {
    HKEY opened;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
    RegCloseKey(opened);
    return true;
}

class MsiInstallTest : public testing::Test {
protected:
    void SetUp() override {
#ifndef ARO_MSI_BUILT
        GTEST_SKIP() << "aro-printer.msi is not built here (wixl and msibuild were not found)";
#endif
        ASSERT_TRUE(FileExists(Package())) << Package();
        // A copy another case left would pass for an installed module.
        DeleteFileA(InstalledModule().c_str());
    }
};

TEST_F(MsiInstallTest, DefaultsReachTheInstalledModuleAndUninstallKeepsTheUsersValues) {
    Sandbox box;
    SetRegistryString(HKEY_CURRENT_USER, kMainKey, "DocumentShortName", "mine");
    InstalledPackage cleanup;
    ASSERT_EQ(Msiexec(Install("OUTPUTFOLDER=\"" + box.outDir() +
                              "\" MAXPAGESCOUNT=1 PRINTGRPFILE=1 PRINTTXTFILE=1")),
              0u);

    ASSERT_TRUE(FileExists(InstalledModule()));
    EXPECT_EQ(Machine(kMainKey, "AlternateKey"), std::string(kDefaultsKey));
    EXPECT_EQ(Machine(kDefaultsKey, "Dovurezazuv"), box.outDir());
    EXPECT_EQ(Machine(kMainKey, "MaxPagesCount"), std::string("1"));
    EXPECT_EQ(Machine(kMainKey, "PrintGrpFile"), std::string("1"));
    EXPECT_EQ(Machine(kMainKey, "PrintTxtFile"), std::string("1"));

    JobResult job = box.Run("TextNameThenTwoPages", {}, {"ARO_TEST_MODULE=" + InstalledModule()});
    ASSERT_EQ(job.exitCode, 0u) << job.messages;
    EXPECT_EQ(job.messages, "");
    auto files = box.Files(box.outDir(), ".TIF");
    ASSERT_EQ(files.size(), 1u);
    const std::string stem = box.outDir() + "\\" + files[0].substr(0, files[0].size() - 4);
    ASSERT_EQ(job.outputs.size(), 1u);
    EXPECT_EQ(job.outputs[0], stem + ".TXT");
    EXPECT_TRUE(FileExists(stem + ".grp"));
    // The installed module found itself in the system folder.
    EXPECT_EQ(GetRegistryString(HKEY_CURRENT_USER, kVersionsKey, kVersionValue),
              std::string(ARO_PROJECT_VERSION) + " @ " + SystemFolder());

    ASSERT_EQ(Msiexec(Uninstall()), 0u);
    EXPECT_FALSE(FileExists(InstalledModule()));
    EXPECT_FALSE(Machine(kMainKey, "AlternateKey"));
    EXPECT_FALSE(Machine(kDefaultsKey, "Dovurezazuv"));
    EXPECT_FALSE(Machine(kMainKey, "MaxPagesCount"));
    EXPECT_FALSE(Machine(kMainKey, "PrintGrpFile"));
    EXPECT_FALSE(Machine(kMainKey, "PrintTxtFile"));
    // The package's own key, with the defaults it remembered, is gone too.
    EXPECT_FALSE(MachineKeyExists(kDefaultsKey));
    EXPECT_EQ(GetRegistryString(HKEY_CURRENT_USER, kMainKey, "DocumentShortName"),
              std::string("mine"));
    // The printed files are the user's.
    EXPECT_EQ(box.Files(box.outDir(), ".TIF"), files);
}

TEST_F(MsiInstallTest, WithoutPropertiesTheMachineSettingsAreLeftAsTheyWere) {
    Sandbox box;
    // Set by an administrator beforehand: neither overwritten by an empty
    // default nor taken away on uninstall.
    SetRegistryString(HKEY_LOCAL_MACHINE, kMainKey, "AlternateKey", kOutputKey);
    SetRegistryString(HKEY_LOCAL_MACHINE, kOutputKey, "Dovurezazuv", box.outDir());
    SetRegistryString(HKEY_LOCAL_MACHINE, kMainKey, "PrintGrpFile", "1");
    InstalledPackage cleanup;
    ASSERT_EQ(Msiexec(Install()), 0u);

    ASSERT_TRUE(FileExists(InstalledModule()));
    EXPECT_EQ(Machine(kMainKey, "AlternateKey"), std::string(kOutputKey));
    EXPECT_EQ(Machine(kMainKey, "PrintGrpFile"), std::string("1"));
    EXPECT_FALSE(Machine(kMainKey, "MaxPagesCount"));
    EXPECT_FALSE(Machine(kMainKey, "PrintTxtFile"));
    EXPECT_FALSE(Machine(kDefaultsKey, "Dovurezazuv"));
    JobResult job = box.Run("OneSmallPage", {}, {"ARO_TEST_MODULE=" + InstalledModule()});
    ASSERT_EQ(job.exitCode, 0u) << job.messages;
    EXPECT_EQ(box.Files(box.outDir(), ".TIF").size(), 1u);

    ASSERT_EQ(Msiexec(Uninstall()), 0u);
    EXPECT_FALSE(FileExists(InstalledModule()));
    EXPECT_EQ(Machine(kMainKey, "AlternateKey"), std::string(kOutputKey));
    EXPECT_EQ(Machine(kMainKey, "PrintGrpFile"), std::string("1"));
    EXPECT_EQ(Machine(kOutputKey, "Dovurezazuv"), box.outDir());
}

TEST_F(MsiInstallTest, AnUpgradeKeepsTheDefaultsGivenAtInstallation) {
    Sandbox box;
    InstalledPackage cleanup;
    ASSERT_EQ(Msiexec(Install("OUTPUTFOLDER=\"" + box.outDir() + "\" MAXPAGESCOUNT=1")), 0u);
    ASSERT_EQ(Msiexec(Install("", NextPackage())), 0u);

    ASSERT_TRUE(FileExists(InstalledModule()));
    EXPECT_EQ(Machine(kMainKey, "AlternateKey"), std::string(kDefaultsKey));
    EXPECT_EQ(Machine(kDefaultsKey, "Dovurezazuv"), box.outDir());
    EXPECT_EQ(Machine(kMainKey, "MaxPagesCount"), std::string("1"));
    EXPECT_FALSE(Machine(kMainKey, "PrintGrpFile"));

    // The older version went away with the upgrade: removing the newer one
    // leaves nothing.
    ASSERT_EQ(Msiexec(Uninstall(NextPackage())), 0u);
    EXPECT_FALSE(FileExists(InstalledModule()));
    EXPECT_FALSE(Machine(kMainKey, "AlternateKey"));
    EXPECT_FALSE(Machine(kMainKey, "MaxPagesCount"));
    EXPECT_FALSE(MachineKeyExists(kDefaultsKey));
}

}  // namespace
}  // namespace aro::wtest
