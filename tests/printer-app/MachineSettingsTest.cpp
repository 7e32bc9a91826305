// The machine's settings as the page reads and stores them.
#include <gtest/gtest.h>

#include <string>

#include "printer-app/MachineSettings.h"
#include "tests/platform/PosixTestSupport.h"

namespace aro::printerapp {
namespace {

using posix::testing::ReadTextFile;
using posix::testing::ScratchFolder;
using posix::testing::WriteTextFile;

const std::string kHeader = "Windows Registry Editor Version 5.00\n\n";
const std::string kMain = "[HKEY_LOCAL_MACHINE\\Software\\ARO Digital\\Dovurezazuv]\n";

// The module's presence rule: an empty text and a text longer than the
// module's buffer count as absent; the user's hive is not the machine's.
TEST(MachineSettingsRead, SeesWhatTheModuleSees) {
    const MachineSettings settings =
        MachineSettingsFromText(kHeader +
                                "[HKEY_CURRENT_USER\\Software\\ARO Digital\\Dovurezazuv]\n"
                                "\"PrintGrpFile\"=\"1\"\n" +
                                "[hklm\\software\\aro digital\\DOVUREZAZUV]\n"
                                "\"maxpagescount\"=\"" +
                                std::string(50, '7') +
                                "\"\n"
                                "\"FileNameMode\"=\"\"\n"
                                "\"TempfileName\"=\"" +
                                std::string(259, 's') +
                                "\"\n"
                                "\"PrintTxtFile\"=hex(1):31,00,32,00\n"
                                "\"ShellExecuteAfter\"=\"/usr/bin/logger\"\n");
    EXPECT_FALSE(settings.Value("grp_file").stored);
    EXPECT_TRUE(settings.Value("page_limit").stored);
    EXPECT_FALSE(settings.Value("page_limit").present) << "51 bytes in a 50-byte buffer";
    EXPECT_TRUE(settings.Value("naming_rule").stored);
    EXPECT_FALSE(settings.Value("naming_rule").present);
    EXPECT_TRUE(settings.Value("special_name").present) << "259 characters and the terminator";
    EXPECT_EQ(settings.Value("special_name").text.size(), 259u);
    EXPECT_EQ(settings.Value("txt_file").text, "1") << "the text ends at its first NUL";
    EXPECT_EQ(settings.Value("hook_after").text, "/usr/bin/logger");
}

// The machine's folder is edited where the module looks for it first.
TEST(MachineSettingsRead, FindsTheKeyOfTheOutputFolder) {
    const std::string office =
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\ARO Digital\\Aro32.2\\Options]\n"
        "\"Dovurezazuv\"=\"/srv/office\"\n";
    MachineSettings settings = MachineSettingsFromText(kHeader + office);
    EXPECT_EQ(settings.outputFolderKey, "SOFTWARE\\ARO Digital\\Aro32.2\\Options");
    EXPECT_EQ(settings.Value("output_folder").text, "/srv/office");

    settings =
        MachineSettingsFromText(kHeader +
                                "[HKEY_LOCAL_MACHINE\\SOFTWARE\\ARO Digital\\Aro32.1\\Options]\n"
                                "\"Dovurezazuv\"=\"/srv/pro\"\n" +
                                office);
    EXPECT_EQ(settings.outputFolderKey, "SOFTWARE\\ARO Digital\\Aro32.1\\Options");
    EXPECT_EQ(settings.Value("output_folder").text, "/srv/pro");

    settings = MachineSettingsFromText(kHeader + office + kMain +
                                       "\"AlternateKey\"=\"Software\\\\Site\\\\Output\"\n");
    EXPECT_TRUE(settings.outputFolderByAlternateKey);
    EXPECT_EQ(settings.outputFolderKey, "Software\\Site\\Output");
    EXPECT_FALSE(settings.Value("output_folder").stored);

    settings = MachineSettingsFromText("");
    EXPECT_EQ(settings.outputFolderKey, "SOFTWARE\\ARO Digital\\Aro32.1\\Options");
}

TEST(MachineSettingsStore, EditsOnlyTheNamedValues) {
    ScratchFolder folder;
    const std::string file = folder / "machine.reg";
    WriteTextFile(file, kHeader + "; kept\n" + kMain +
                            "\"MaxPagesCount\"=\"5\"\n"
                            "\"Foreign\"=\"x\"\n");
    const std::string error = ApplyHiveEdits(
        file, {{kSettingsKey, "MaxPagesCount", std::nullopt}, {kSettingsKey, "PrintGrpFile", "1"}});
    EXPECT_EQ(error, "");
    EXPECT_EQ(ReadTextFile(file), kHeader + "; kept\n" + kMain +
                                      "\"Foreign\"=\"x\"\n"
                                      "\"PrintGrpFile\"=\"1\"\n");
    EXPECT_EQ(ReadMachineSettings(file).Value("grp_file").text, "1");
}

// A failed change says which value it was and what was done before it.
TEST(MachineSettingsStore, ReportsTheFailedChange) {
    ScratchFolder folder;
    const std::string file = folder / "machine.reg";
    const std::string unwritable = "\xFE\xFF";  // UTF-16 big-endian has no writer
    WriteTextFile(file, unwritable);
    const std::string error = ApplyHiveEdits(file, {{kSettingsKey, "PrintTxtFile", "1"}});
    EXPECT_NE(error.find("storing PrintTxtFile"), std::string::npos) << error;
    EXPECT_EQ(ReadTextFile(file), unwritable);

    // Half done: the message names what was stored before the failure.
    WriteTextFile(file, kHeader);
    const std::string halfDone = ApplyHiveEdits(
        file, {{kSettingsKey, "PrintGrpFile", "1"}, {"Software\\Bad\nKey", "Dovurezazuv", "/srv"}});
    EXPECT_NE(halfDone.find("(storing Dovurezazuv)"), std::string::npos) << halfDone;
    EXPECT_NE(halfDone.find("done before: storing PrintGrpFile"), std::string::npos) << halfDone;
    EXPECT_EQ(ReadMachineSettings(file).Value("grp_file").text, "1");

    const std::string folderAsFile =
        ApplyHiveEdits(folder.path(), {{kSettingsKey, "MaxPagesCount", std::nullopt}});
    EXPECT_NE(folderAsFile.find("removing MaxPagesCount"), std::string::npos) << folderAsFile;

    const MachineSettings unreadable = ReadMachineSettings(folder.path());
    EXPECT_NE(unreadable.readError, "");
    EXPECT_NE(ReadMachineSettings("").readError, "");
}

}  // namespace
}  // namespace aro::printerapp
