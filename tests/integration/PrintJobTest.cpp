#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "ModuleHarness.h"
#include "common/TiffInspect.h"

namespace aro::itest {
namespace {

using Settings = std::vector<std::pair<std::string, std::string>>;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// Bit-exact comparison of a stored Group 4 page with the host's band pixels.
void ExpectSamePixels(const test::TiffPage& stored, const std::vector<unsigned char>& page,
                      uint32_t width, uint32_t rows) {
    uint32_t stride = (width + 31) / 32 * 4;
    ASSERT_EQ(stored.rows.size(), rows);
    for (uint32_t y = 0; y < rows; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            bool hostWhite = (page[y * stride + x / 8] >> (7 - x % 8)) & 1;
            bool fileBlack = (stored.rows[y][x / 8] >> (7 - x % 8)) & 1;
            ASSERT_NE(hostWhite, fileBlack) << "row " << y << " pixel " << x;
        }
}

TEST(ModuleExportsTest, ExactlyTheSevenEntryPoints) {
    std::string command = std::string("nm -D --defined-only '") + ARO_MODULE_PATH + "'";
    FILE* nm = popen(command.c_str(), "r");
    ASSERT_NE(nm, nullptr);
    std::vector<std::string> functions;
    char line[512];
    while (std::fgets(line, sizeof line, nm)) {
        char address[64], type[8], name[400];
        if (std::sscanf(line, "%63s %7s %399s", address, type, name) == 3 &&
            std::string(type) == "T")
            functions.push_back(name);
    }
    pclose(nm);
    std::sort(functions.begin(), functions.end());
    EXPECT_EQ(functions,
              (std::vector<std::string>{"GetPrintFileName", "PrintJobName", "dlgproc", "endDocExit",
                                        "endPageExit", "startDocExit", "startPageExit"}));
}

TEST(PrintJobTest, MultiPageJobIsOneGroup4FileWithEveryPixel) {
    Sandbox box;
    box.UseSettings({{"PrintGrpFile", "1"}});
    const uint32_t width = 1275, rows = 600;
    JobResult job = box.Run([&](Module& m, std::vector<std::string>& out) {
        m.jobName("Quarterly report");
        m.startDoc();
        for (int p = 0; p < 3; ++p)
            for (int s : PrintPage(m, MonoPage(width, rows, p + 1), width, rows, 256, 1))
                out.push_back(std::to_string(s));
        m.endDoc();
    });
    ASSERT_EQ(job.exitCode, 0) << job.standardError;
    EXPECT_EQ(job.standardError, "");
    EXPECT_EQ(job.outputs, std::vector<std::string>(9, "0"));
    auto files = box.Files(box.outDir(), ".TIF");
    ASSERT_EQ(files.size(), 1u);
    std::string path = box.outDir() + "/" + files[0];
    std::vector<test::TiffPage> pages;
    ASSERT_TRUE(test::ReadTiffPages(path, &pages));
    ASSERT_EQ(pages.size(), 3u);
    for (int p = 0; p < 3; ++p) {
        EXPECT_EQ(pages[p].width, width);
        EXPECT_EQ(pages[p].height, rows);
        EXPECT_EQ(pages[p].rowsPerStrip, 256u);
        EXPECT_EQ(pages[p].strips, 3u);
        EXPECT_EQ(pages[p].compression, 4);
        EXPECT_EQ(pages[p].photometric, 0);
        ExpectSamePixels(pages[p], MonoPage(width, rows, p + 1), width, rows);
    }
    std::string grp = path.substr(0, path.size() - 4) + ".grp";
    std::string text = ReadFile(grp);
    EXPECT_NE(text.find("[Print Page Appended]"), std::string::npos) << text;
    EXPECT_NE(text.find("Image File Name=" + path), std::string::npos) << text;
    EXPECT_NE(text.find("[Zavor Printer]"), std::string::npos) << text;
    EXPECT_NE(text.find("Total Page Number=3"), std::string::npos) << text;
    EXPECT_LT(text.find("[Print Page Appended]"), text.find("[Zavor Printer]"));
}

TEST(PrintJobTest, DiagnosticLogAndItsMessage) {
    Sandbox box;
    box.UseSettings({{"Debug", "1"}});
    JobResult job = box.Run([&](Module& m, std::vector<std::string>&) {
        m.startDoc();
        PrintPage(m, MonoPage(64, 16, 1), 64, 16, 16, 1);
        m.endDoc();
    });
    ASSERT_EQ(job.exitCode, 0);
    std::string logPath = box.tempDir() + "AroPrinter.log";
    EXPECT_EQ(job.standardError,
              "ARO Printer: ARO Printer debug mode, file name: " + logPath + "\n");
    auto log = Lines(ReadFile(logPath));
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front(), "Start debug mode");
    EXPECT_EQ(log.back(), "End Print Job");
    EXPECT_TRUE(Contains(log, "Height=16, Width=64"));
}

TEST(PrintJobTest, LogFileThatIsASymbolicLinkIsNotFollowed) {
    Sandbox box;
    box.UseSettings({{"Debug", "1"}});
    std::string target = box.root() + "/victim";
    std::FILE* f = std::fopen(target.c_str(), "w");
    std::fputs("keep", f);
    std::fclose(f);
    ASSERT_EQ(symlink(target.c_str(), (box.tempDir() + "AroPrinter.log").c_str()), 0);
    JobResult job = box.Run([&](Module& m, std::vector<std::string>& out) {
        m.startDoc();
        for (int s : PrintPage(m, MonoPage(64, 16, 1), 64, 16, 16, 1))
            out.push_back(std::to_string(s));
        m.endDoc();
    });
    ASSERT_EQ(job.exitCode, 0);
    EXPECT_EQ(job.outputs, std::vector<std::string>{"0"});
    EXPECT_EQ(ReadFile(target), "keep");
}

TEST(PrintJobTest, VersionRecordComesFromTheModuleInTheSystemDirectory) {
    Sandbox box;
    box.UseSettings({});
    auto run = [&] {
        return box.Run([](Module& m, std::vector<std::string>&) {
            m.startDoc();
            m.endDoc();
        });
    };
    ASSERT_EQ(run().exitCode, 0);
    EXPECT_EQ(ReadFile(box.userHive()).find("Versions"), std::string::npos);
    std::string copy = "cp '" ARO_MODULE_PATH "' '" + box.systemDir() + "/libAroPrinterCfg.so'";
    ASSERT_EQ(std::system(copy.c_str()), 0);
    ASSERT_EQ(run().exitCode, 0);
    std::string hive = ReadFile(box.userHive());
    EXPECT_NE(hive.find("[HKEY_CURRENT_USER\\Software\\ARO Digital\\Versions]\n"
                        "\"ARO Printer DLL (AroPrinterCfg.dll)\"=\"" ARO_PROJECT_VERSION " @ " +
                        box.systemDir() + "\""),
              std::string::npos)
        << hive;
    // Everything else of the hive file is still there.
    EXPECT_NE(hive.find("\"AlternateKey\"=\"Software\\\\Test\\\\Out\""), std::string::npos);
}

TEST(PrintJobTest, SinglePageModeMakesOneFilePerPage) {
    Sandbox box;
    box.UseSettings({{"PrintMultiPageImage", "0"}, {"PrintGrpFile", "1"}, {"FileNameMode", "2"}});
    JobResult job = box.Run([&](Module& m, std::vector<std::string>&) {
        m.jobName("Memo: draft");
        m.startDoc();
        for (int p = 0; p < 3; ++p) PrintPage(m, MonoPage(200, 40, p), 200, 40, 16, 1);
        m.endDoc();
    });
    ASSERT_EQ(job.exitCode, 0) << job.standardError;
    EXPECT_EQ(box.Files(box.outDir(), ".TIF"),
              (std::vector<std::string>{"Memo draft.TIF", "Memo draft_2.TIF", "Memo draft_3.TIF"}));
    EXPECT_EQ(box.Files(box.outDir(), ".grp"),
              (std::vector<std::string>{"Memo draft.grp", "Memo draft_2.grp", "Memo draft_3.grp"}));
    for (const auto& f : box.Files(box.outDir(), ".TIF")) {
        std::vector<test::TiffPage> pages;
        ASSERT_TRUE(test::ReadTiffPages(box.outDir() + "/" + f, &pages));
        EXPECT_EQ(pages.size(), 1u) << f;
    }
}

TEST(PrintJobTest, MachineSettingsAreTheFallback) {
    Sandbox box;
    box.UseSettings({});
    box.WriteMachineHive(
        "[HKEY_LOCAL_MACHINE\\Software\\ARO Digital\\Dovurezazuv]\n"
        "\"MaxPagesCount\"=\"1\"\n\"PrintTxtFile\"=\"1\"\n");
    JobResult job = box.Run([&](Module& m, std::vector<std::string>& out) {
        m.startDoc();
        char name[ARO_PRINT_FILE_NAME_SIZE];
        m.printFileName(name);
        out.push_back(name);
        for (int p = 0; p < 2; ++p) PrintPage(m, MonoPage(64, 8, p), 64, 8, 8, 1);
        m.endDoc();
    });
    ASSERT_EQ(job.exitCode, 0);
    auto files = box.Files(box.outDir(), ".TIF");
    ASSERT_EQ(files.size(), 1u);
    ASSERT_EQ(job.outputs.size(), 1u);
    EXPECT_EQ(job.outputs[0],
              box.outDir() + "/" + files[0].substr(0, files[0].size() - 4) + ".TXT");
    std::vector<test::TiffPage> pages;
    ASSERT_TRUE(test::ReadTiffPages(box.outDir() + "/" + files[0], &pages));
    EXPECT_EQ(pages.size(), 1u);
}

TEST(PrintJobTest, ClientOptionsFolderAndPlaceholders) {
    Sandbox box;
    box.WriteUserHive(
        "[HKCU\\SOFTWARE\\ARO Digital\\Aro32.2\\Options]\n"
        "\"Dovurezazuv\"=\"%USERTEMP%/scans/\"\n"
        "[HKEY_CURRENT_USER\\Software\\ARO Digital\\Dovurezazuv]\n"
        "\"PrintToArchive\"=\"0\"\n");
    JobResult job = box.Run([&](Module& m, std::vector<std::string>&) {
        m.startDoc();
        PrintPage(m, MonoPage(64, 8, 1), 64, 8, 8, 1);
        m.endDoc();
    });
    ASSERT_EQ(job.exitCode, 0) << job.standardError;
    EXPECT_TRUE(FileExists(box.tempDir() + "scans/PrintToArchive"));
    EXPECT_EQ(box.Files(box.tempDir() + "scans", ".TIF").size(), 1u);
}

TEST(PrintJobTest, NothingConfiguredIsReportedAndNothingWritten) {
    Sandbox box;
    box.WriteUserHive("");
    JobResult job = box.Run([&](Module& m, std::vector<std::string>& out) {
        m.startDoc();
        for (int s : PrintPage(m, MonoPage(64, 8, 1), 64, 8, 8, 1))
            out.push_back(std::to_string(s));
        m.endDoc();
    });
    ASSERT_EQ(job.exitCode, 0);
    EXPECT_EQ(job.outputs, std::vector<std::string>{"-1"});
    auto messages = Lines(job.standardError);
    ASSERT_GE(messages.size(), 3u);
    EXPECT_EQ(messages[0], "Error: No ARO print path found");
    EXPECT_EQ(messages[1], "ARO Printer: Print directory not found.");
    EXPECT_EQ(messages[2], "ARO Printer: Cannot open TIFF file in the directory \"\".");
    EXPECT_FALSE(FileExists("/PrintToArchive") && !FileExists("/PrintToArchive/.keep"));
}

TEST(PrintJobTest, HooksRunWithTheirParameters) {
    Sandbox box;
    std::string bin = box.root() + "/bin";
    mkdir(bin.c_str(), 0700);
    ASSERT_EQ(symlink(ARO_ARGV_PROBE, (bin + "/record-hook").c_str()), 0);
    box.UseSettings({{"ShellExecuteBefore", "record-hook"},
                     {"ShellExecuteBeforeParam", "before one"},
                     {"ShellExecuteBeforeCheckin", "record-hook"},
                     {"ShellExecuteBeforeCheckinParam", "checkin"}});
    JobResult job = box.Run(
        [&](Module& m, std::vector<std::string>& out) {
            m.startDoc();
            // The before hook has been waited for.
            for (const auto& line : Lines(ReadFile(box.root() + "/hooks.txt"))) out.push_back(line);
            m.endDoc();
        },
        {"PATH=" + bin + ":/usr/bin:/bin", "ARO_PROBE_OUTPUT=" + box.root() + "/hooks.txt"});
    ASSERT_EQ(job.exitCode, 0);
    ASSERT_EQ(job.outputs.size(), 1u);
    EXPECT_EQ(job.outputs[0], "before one|before one|1");
    for (int i = 0; i < 100 && Lines(ReadFile(box.root() + "/hooks.txt")).size() < 2; ++i)
        usleep(20000);
    EXPECT_EQ(Lines(ReadFile(box.root() + "/hooks.txt")),
              (std::vector<std::string>{"before one|before one|1", "checkin|checkin|1"}));
}

TEST(PrintJobTest, ClassicArchiveWithoutServerKeepsTheFile) {
    Sandbox box;
    box.UseSettings({{"PrintToArchive", "1"}});
    mkdir((box.outDir() + "/PrintToArchive").c_str(), 0700);
    JobResult job = box.Run(
        [&](Module& m, std::vector<std::string>&) {
            m.startDoc();
            PrintPage(m, MonoPage(64, 8, 1), 64, 8, 8, 1);
            m.endDoc();
        },
        {"DBUS_SESSION_BUS_ADDRESS=unix:path=" + box.root() + "/no-bus"});
    ASSERT_EQ(job.exitCode, 0);
    EXPECT_EQ(job.standardError,
              "ARO Printer: Error: Ole-Server AroArcConnect.exe not registered.\n\nPlease run "
              "AroArcConnect.exe once. This file is located in the ARO client directory.\nIn case "
              "the file is not there you have to install the latest macro update.\n");
    EXPECT_EQ(box.Files(box.outDir() + "/PrintToArchive", ".TIF").size(), 1u);
}

TEST(PrintJobTest, DialogProcedure) {
    Sandbox box;
    box.UseSettings({});
    JobResult job = box.Run([](Module& m, std::vector<std::string>& out) {
        out.push_back(std::to_string(m.dialog(nullptr, 0x0110, 0, 0)));
        out.push_back(std::to_string(m.dialog(nullptr, 0x0111, 1, 0)));
        out.push_back(std::to_string(m.dialog(nullptr, 0x0010, 0, 0)));
    });
    EXPECT_EQ(job.outputs, (std::vector<std::string>{"1", "0", "0"}));
}

}  // namespace
}  // namespace aro::itest
