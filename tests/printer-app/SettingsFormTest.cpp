// A submitted "TIFF output" form: which changes it makes, and which input
// it refuses with a message naming the field.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "printer-app/SettingsForm.h"
#include "tests/platform/PosixTestSupport.h"

namespace aro::printerapp {
namespace {

using posix::testing::ScratchFolder;
using posix::testing::WriteTextFile;

const std::string kHeader =
    "Windows Registry Editor Version 5.00\n\n"
    "[HKEY_LOCAL_MACHINE\\Software\\ARO Digital\\Dovurezazuv]\n";
const std::string kOptions = "SOFTWARE\\ARO Digital\\Aro32.1\\Options";

std::string AcceptEveryFile(const std::string&) {
    return {};
}

// Every value the form would store, as "name=text" or "name removed".
std::vector<std::string> Changes(const FormOutcome& outcome) {
    std::vector<std::string> changes;
    for (const HiveEdit& edit : outcome.edits) {
        changes.push_back(edit.keyPath + ":" + edit.valueName +
                          (edit.text ? "=" + *edit.text : " removed"));
    }
    return changes;
}

// The complete form as the page sends it, nothing changed.
FormFields Unchanged() {
    return {{"output_folder", "/srv/tiff"},
            {"naming_rule", "3"},
            {"special_name", ""},
            {"multi_page", "1"},
            {"page_limit", "5"},
            {"background", "0"},
            {"background_first", ""},
            {"background_next", ""},
            {"grp_file", "1"},
            {"txt_file", "0"},
            {"hook_after", "/bin/evil"}};
}

MachineSettings Current() {
    return MachineSettingsFromText(kHeader +
                                   "\"FileNameMode\"=\"3\"\n"
                                   "\"MaxPagesCount\"=\"5\"\n"
                                   "\"PrintGrpFile\"=\"1\"\n"
                                   "\"ShellExecuteAfter\"=\"/usr/bin/logger\"\n"
                                   "[HKEY_LOCAL_MACHINE\\" +
                                   kOptions + "]\n\"Dovurezazuv\"=\"/srv/tiff\"\n");
}

TEST(SettingsForm, ChangesOnlyWhatDiffers) {
    FormOutcome outcome = ReadSubmittedSettings(Unchanged(), Current(), AcceptEveryFile);
    EXPECT_TRUE(outcome.errors.empty());
    EXPECT_TRUE(outcome.edits.empty()) << "hooks are never edited, unchanged values neither";

    FormFields form = Unchanged();
    form["output_folder"] = "/srv/new tiff";
    form["naming_rule"] = "";
    form["page_limit"] = "";
    form["multi_page"] = "0";
    form["grp_file"] = "0";
    form["txt_file"] = "1";
    form["background_first"] = "/srv/letterhead.tif";
    outcome = ReadSubmittedSettings(form, Current(), AcceptEveryFile);
    EXPECT_TRUE(outcome.errors.empty());
    EXPECT_EQ(Changes(outcome), (std::vector<std::string>{
                                    kOptions + ":Dovurezazuv=/srv/new tiff",
                                    "Software\\ARO Digital\\Dovurezazuv:FileNameMode removed",
                                    "Software\\ARO Digital\\Dovurezazuv:PrintMultiPageImage=0",
                                    "Software\\ARO Digital\\Dovurezazuv:MaxPagesCount removed",
                                    "Software\\ARO Digital\\Dovurezazuv:BackgroundImageFirstPage="
                                    "/srv/letterhead.tif",
                                    "Software\\ARO Digital\\Dovurezazuv:PrintGrpFile=0",
                                    "Software\\ARO Digital\\Dovurezazuv:PrintTxtFile=1",
                                }));
}

// A switch that is on when absent stays absent when left on; one that is
// off when absent is not written to say off; an off value is kept.
TEST(SettingsForm, SwitchesWriteOnlyWhatChangesTheirMeaning) {
    const MachineSettings blank = MachineSettingsFromText("");
    EXPECT_TRUE(Changes(ReadSubmittedSettings({{"multi_page", "1"}, {"grp_file", "0"}}, blank,
                                              AcceptEveryFile))
                    .empty());
    const MachineSettings offByOtherText =
        MachineSettingsFromText(kHeader + "\"PrintMultiPageImage\"=\"no\"\n");
    EXPECT_TRUE(
        Changes(ReadSubmittedSettings({{"multi_page", "0"}}, offByOtherText, AcceptEveryFile))
            .empty());
    EXPECT_EQ(
        Changes(ReadSubmittedSettings({{"multi_page", "1"}}, offByOtherText, AcceptEveryFile)),
        (std::vector<std::string>{"Software\\ARO Digital\\Dovurezazuv:PrintMultiPageImage=1"}));
}

// Each refusal names the field and why, and nothing at all is stored.
TEST(SettingsForm, RefusesInputTheModuleCannotUse) {
    const struct {
        const char* field;
        std::string text;
        const char* message;
    } cases[] = {
        {"page_limit", "ten", "Page limit: \"ten\" is not a whole number"},
        {"page_limit", "0", "Page limit: 0 would keep every page out"},
        {"page_limit", "-5", "Page limit: \"-5\" is not a whole number"},
        {"page_limit", "2147483648", "Page limit: \"2147483648\" is more than 2147483647"},
        {"output_folder", "tiff/out", "Output folder: \"tiff/out\" is a relative path"},
        {"output_folder", "/", "Output folder: the root folder"},
        {"output_folder", "/srv/a\nb", "Output folder: holds a line break"},
        {"output_folder", "/" + std::string(259, 'x'), "Output folder: is 260 bytes long"},
        {"naming_rule", "7", "Naming rule: \"7\" is not one of the rules 1 to 5"},
        {"naming_rule", "01", "Naming rule: \"01\" is not one of the rules 1 to 5"},
        {"special_name", "a/b", "Special name: \"a/b\" holds a character a file name cannot"},
        {"background_first", "letterhead.tif",
         "Background, first page: \"letterhead.tif\" is a "
         "relative path"},
        {"multi_page", "yes", "Pages of a job: \"yes\" is not a choice offered"},
    };
    for (const auto& input : cases) {
        FormFields form = Unchanged();
        form["txt_file"] = "1";  // a valid change that must not be stored either
        form[input.field] = input.text;
        const FormOutcome outcome = ReadSubmittedSettings(form, Current(), AcceptEveryFile);
        ASSERT_EQ(outcome.errors.size(), 1u) << input.field << "=" << input.text;
        EXPECT_EQ(outcome.errors[0].formName, input.field);
        EXPECT_EQ(outcome.errors[0].message.rfind(input.message, 0), 0u)
            << outcome.errors[0].message;
        EXPECT_TRUE(outcome.edits.empty());
    }
}

// Rules 4 and 5 name the file after the special name, so it is needed.
TEST(SettingsForm, SpecialNameIsNeededByRulesFourAndFive) {
    FormFields form = Unchanged();
    form["naming_rule"] = "5";
    FormOutcome outcome = ReadSubmittedSettings(form, Current(), AcceptEveryFile);
    ASSERT_EQ(outcome.errors.size(), 1u);
    EXPECT_EQ(outcome.errors[0].message, "Special name: naming rule 5 needs a special name");
    form["special_name"] = "Scan";
    outcome = ReadSubmittedSettings(form, Current(), AcceptEveryFile);
    EXPECT_TRUE(outcome.errors.empty());
    EXPECT_EQ(outcome.edits.size(), 2u);
}

// Placeholders are expanded in the archive clients' options only; a folder
// named through AlternateKey is used as it stands.
TEST(SettingsForm, PlaceholdersOnlyWhereTheModuleExpandsThem) {
    const FormFields form = {{"output_folder", "%USERTEMP%/tiff"}};
    EXPECT_TRUE(ReadSubmittedSettings(form, Current(), AcceptEveryFile).errors.empty());
    const MachineSettings alternate =
        MachineSettingsFromText(kHeader + "\"AlternateKey\"=\"Software\\\\Site\"\n");
    const FormOutcome outcome = ReadSubmittedSettings(form, alternate, AcceptEveryFile);
    ASSERT_EQ(outcome.errors.size(), 1u);
    EXPECT_NE(outcome.errors[0].message.find("relative path"), std::string::npos);
    const FormOutcome stored =
        ReadSubmittedSettings({{"output_folder", "/srv/site"}}, alternate, AcceptEveryFile);
    EXPECT_EQ(Changes(stored), (std::vector<std::string>{"Software\\Site:Dovurezazuv=/srv/site"}));
}

TEST(SettingsForm, BackgroundFileMustBeAReadableTiff) {
    ScratchFolder folder;
    WriteTextFile(folder / "little.tif", std::string("II*\0rest", 8));
    WriteTextFile(folder / "big.tif", std::string("MM\0*rest", 8));
    WriteTextFile(folder / "note.txt", "hello");
    EXPECT_EQ(CheckBackgroundFile(folder / "little.tif"), "");
    EXPECT_EQ(CheckBackgroundFile(folder / "big.tif"), "");
    EXPECT_EQ(CheckBackgroundFile(folder / "note.txt"), folder / "note.txt is not a TIFF file");
    EXPECT_EQ(CheckBackgroundFile(folder / "gone.tif"), folder / "gone.tif does not exist");
    EXPECT_EQ(CheckBackgroundFile(folder.path()), folder.path() + " is not a file");

    const FormOutcome outcome = ReadSubmittedSettings(
        {{"background_next_color", folder / "gone.tif"}}, Current(), CheckBackgroundFile);
    ASSERT_EQ(outcome.errors.size(), 1u);
    EXPECT_EQ(outcome.errors[0].message,
              "Background, next colour pages: " + folder / "gone.tif does not exist");
}

}  // namespace
}  // namespace aro::printerapp
