// End to end: print jobs through the built module while the reference
// automation server stands in for the archive clients on the session bus.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <fstream>
#include <memory>
#include <regex>

#include "archive/ArchiveHarness.h"
#include "integration/ModuleHarness.h"

namespace aro::itest {
namespace {

using Settings = std::vector<std::pair<std::string, std::string>>;
using Lines = std::vector<std::string>;

constexpr const char* kClassic = "AroArcConnect.App";
constexpr const char* kJava = "jniwrapper.arocomserver";
// A job that waits longer has hung: SIGALRM ends it and the test fails.
constexpr unsigned kJobTimeLimitSeconds = 20;

const std::string kClassicMissing =
    "ARO Printer: Error: Ole-Server AroArcConnect.exe not registered.\n\nPlease run "
    "AroArcConnect.exe once. This file is located in the ARO client directory.\nIn case the "
    "file is not there you have to install the latest macro update.\n";
const std::string kJavaMissing = "ARO Pdf Printer: Error: Ole-Server not registered.\n";

std::string LocalStamp() {
    std::time_t now = std::time(nullptr);
    std::tm fields{};
    localtime_r(&now, &fields);
    char stamp[16];
    std::strftime(stamp, sizeof stamp, "%Y%m%d%H%M%S", &fields);
    return stamp;
}

// One print job "Memo: draft" (FileNameMode 2).
struct Job {
    Job& On(std::string address) {
        bus = std::move(address);
        return *this;
    }
    Job& Watching(std::string path) {
        folder = std::move(path);
        return *this;
    }
    Job& WithGroupFiles() {
        groupFiles = true;
        return *this;
    }

    Settings settings;
    int pages = 1;
    std::string bus;  // the test's bus when empty
    // Where the TIFF files are looked for just before the document ends.
    std::string folder;
    // Put a group file beside each of them (in archive mode the module
    // writes none, but deletes the path).
    bool groupFiles = false;
};

Job PrintJob(Settings settings, int pages = 1) {
    Job job;
    job.settings = std::move(settings);
    job.pages = pages;
    return job;
}

class ArchiveHandOffTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!IsArchiveTestBus(bus))
            GTEST_SKIP() << "needs the session bus of tests/dbus/session.conf (run through ctest)";
        // A server the bus starts unasked shows up in this test's record.
        ASSERT_TRUE(bus.SetActivationEnvironment("ARO_AUTOMATION_SERVER_RECORD", record));
        mkdir(archiveDir().c_str(), 0700);
    }
    void TearDown() override {
        if (!IsSkipped()) {
            EXPECT_EQ(StopLeftoverServers(bus), Lines{}) << "left running";
        }
    }

    std::string archiveDir() const { return box.outDir() + "/PrintToArchive"; }

    std::unique_ptr<ReferenceServer> Serve(const char* progId, const Lines& options = {}) {
        auto server = std::make_unique<ReferenceServer>(bus, progId, record, options);
        EXPECT_TRUE(server->ready()) << progId;
        return server;
    }

    // The outputs are the paths of the TIFF files found before the end.
    JobResult Print(Job job) {
        if (std::none_of(job.settings.begin(), job.settings.end(),
                         [](const auto& value) { return value.first == "FileNameMode"; }))
            job.settings.push_back({"FileNameMode", "2"});
        box.UseSettings(job.settings);
        if (job.bus.empty()) job.bus = bus.address();
        if (job.folder.empty()) job.folder = archiveDir();
        return box.Run(
            [&](Module& m, Lines& out) {
                alarm(kJobTimeLimitSeconds);
                m.jobName("Memo: draft");
                m.startDoc();
                for (int p = 0; p < job.pages; ++p) PrintPage(m, MonoPage(64, 8, p), 64, 8, 8, 1);
                for (const auto& name : box.Files(job.folder, ".TIF")) {
                    out.push_back(job.folder + "/" + name);
                    if (job.groupFiles) std::ofstream(GroupFile(out.back())) << "[Zavor Printer]\n";
                }
                m.endDoc();
            },
            {"DBUS_SESSION_BUS_ADDRESS=" + job.bus});
    }

    static std::string GroupFile(const std::string& tiff) {
        return tiff.substr(0, tiff.size() - 4) + ".grp";
    }
    // The one TIFF file of a job, "" when there was not exactly one.
    static std::string OnlyFile(const JobResult& job) {
        EXPECT_EQ(job.outputs.size(), 1u);
        return job.outputs.size() == 1 ? job.outputs[0] : "";
    }

    Lines Calls() const { return RecordLines(record); }
    static std::string CheckIn(const std::string& name, const std::string& path) {
        return "DoCheckInOut2 \"ARO Printer\" " + Quoted(name) + " " + Quoted(path) +
               " file=present";
    }

    Sandbox box;
    BusDriver bus{SessionBusAddress()};
    std::string record = box.root() + "/record.txt";
};

// ---- classic client ----

TEST_F(ArchiveHandOffTest, ClassicClientChecksInEndsAndTheFilesAreDeleted) {
    auto server = Serve(kClassic);
    JobResult job = Print(PrintJob({{"PrintToArchive", "1"}, {"DocumentShortName", "Short doc"}}, 2)
                              .WithGroupFiles());
    ASSERT_EQ(job.exitCode, 0) << job.standardError;
    EXPECT_EQ(job.standardError, "");
    const std::string tiff = OnlyFile(job);
    EXPECT_EQ(Calls(), (Lines{CheckIn("Short doc", tiff), "EndOleServer"}));
    EXPECT_FALSE(FileExists(tiff));
    EXPECT_FALSE(FileExists(GroupFile(tiff)));
}

TEST_F(ArchiveHandOffTest, ClassicClientGetsTheFileNameOnlyForExactlyOne) {
    auto server = Serve(kClassic);
    JobResult named = Print(PrintJob({{"PrintToArchive", "1"},
                                      {"ShortNameToFileName", "1"},
                                      {"DocumentShortName", "Short doc"}}));
    JobResult unnamed = Print(PrintJob({{"PrintToArchive", "1"}, {"ShortNameToFileName", "1 "}}));
    ASSERT_EQ(named.exitCode + unnamed.exitCode, 0);
    EXPECT_EQ(Calls(), (Lines{CheckIn("Memo draft", OnlyFile(named)), "EndOleServer",
                              CheckIn("", OnlyFile(unnamed)), "EndOleServer"}));
}

TEST_F(ArchiveHandOffTest, SinglePageModeChecksInEveryPage) {
    auto server = Serve(kClassic);
    JobResult job = Print(PrintJob({{"PrintToArchive", "1"}, {"PrintMultiPageImage", "0"}}, 2));
    ASSERT_EQ(job.exitCode, 0) << job.standardError;
    const std::regex checkIn("DoCheckInOut2 \"ARO Printer\" \"\" \"" + archiveDir() +
                             "/([^\"/]+\\.TIF)\" file=present");
    Lines calls = Calls();
    ASSERT_EQ(calls.size(), 4u);
    std::smatch first, second;
    EXPECT_TRUE(std::regex_match(calls[0], first, checkIn)) << calls[0];
    EXPECT_EQ(calls[1], "EndOleServer");
    EXPECT_TRUE(std::regex_match(calls[2], second, checkIn)) << calls[2];
    EXPECT_EQ(calls[3], "EndOleServer");
    EXPECT_NE(first[1], second[1]);
    EXPECT_EQ(box.Files(archiveDir(), ".TIF"), Lines{});
}

TEST_F(ArchiveHandOffTest, RefusedCheckInSkipsEndOleServerAndStillDeletes) {
    auto server =
        Serve(kClassic, {"--fail", "DoCheckInOut2=AroArcConnect.App.Error.Locked:locked"});
    JobResult job = Print(PrintJob({{"PrintToArchive", "1"}}).WithGroupFiles());
    ASSERT_EQ(job.exitCode, 0);
    EXPECT_EQ(job.standardError, "");
    const std::string tiff = OnlyFile(job);
    EXPECT_EQ(Calls(), Lines{CheckIn("", tiff)});
    EXPECT_FALSE(FileExists(tiff));
    EXPECT_FALSE(FileExists(GroupFile(tiff)));
}

TEST_F(ArchiveHandOffTest, UnknownMemberIsNeverCalledAndTheFilesGo) {
    {
        auto server = Serve(kClassic, {"--without", "DoCheckInOut2"});
        JobResult job = Print(PrintJob({{"PrintToArchive", "1"}}));
        ASSERT_EQ(job.exitCode, 0);
        EXPECT_EQ(Calls(), Lines{});
        EXPECT_FALSE(FileExists(OnlyFile(job)));
    }
    auto server = Serve(kClassic, {"--without", "EndOleServer"});
    JobResult job = Print(PrintJob({{"PrintToArchive", "1"}}));
    ASSERT_EQ(job.exitCode, 0);
    EXPECT_EQ(Calls(), Lines{CheckIn("", OnlyFile(job))});
    EXPECT_FALSE(FileExists(OnlyFile(job)));
}

TEST_F(ArchiveHandOffTest, ClassicServerDyingDuringCheckInNeitherHangsNorKeepsTheFile) {
    auto server = Serve(kClassic, {"--exit-in", "DoCheckInOut2"});
    JobResult job = Print(PrintJob({{"PrintToArchive", "1"}}).WithGroupFiles());
    ASSERT_EQ(job.exitCode, 0) << "the job did not come back: " << job.standardError;
    EXPECT_EQ(job.standardError, "");
    const std::string tiff = OnlyFile(job);
    EXPECT_EQ(Calls(), Lines{CheckIn("", tiff)});
    EXPECT_FALSE(FileExists(tiff));
    EXPECT_FALSE(FileExists(GroupFile(tiff)));
}

TEST_F(ArchiveHandOffTest, ClassicClientStartedByActivation) {
    ASSERT_FALSE(bus.NameHasOwner(kClassic));
    JobResult job = Print(PrintJob({{"PrintToArchive", "1"}}));
    EXPECT_TRUE(bus.StopOwner(kClassic));
    ASSERT_EQ(job.exitCode, 0);
    EXPECT_EQ(job.standardError, "");
    EXPECT_EQ(Calls(), (Lines{CheckIn("", OnlyFile(job)), "EndOleServer"}));
}

TEST_F(ArchiveHandOffTest, UnregisteredServersAreReportedAndTheFileStays) {
    BareBus bare(box.root() + "/bus");
    ASSERT_FALSE(bare.address().empty());
    JobResult classic = Print(PrintJob({{"PrintToArchive", "1"}}).On(bare.address()));
    ASSERT_EQ(classic.exitCode, 0);
    EXPECT_EQ(classic.standardError, kClassicMissing);
    EXPECT_TRUE(FileExists(OnlyFile(classic)));

    JobResult java =
        Print(PrintJob({{"PrintToArchive", "1"}, {"IsJavaClient", "1"}}).On(bare.address()));
    ASSERT_EQ(java.exitCode, 0);
    EXPECT_EQ(java.standardError, kJavaMissing);
    EXPECT_EQ(box.Files(archiveDir(), ".TIF").size(), 2u);
}

// ---- Java client ----

TEST_F(ArchiveHandOffTest, JavaClientFilesIntoTheArchiveWithATimeStamp) {
    auto server = Serve(kJava, {"--archive-name", "Archiv Süd"});
    const std::string before = LocalStamp();
    JobResult job = Print(PrintJob({{"PrintToArchive", "1"}, {"IsJavaClient", "1"}, {"Debug", "1"}})
                              .WithGroupFiles());
    const std::string after = LocalStamp();
    ASSERT_EQ(job.exitCode, 0);
    const std::string tiff = OnlyFile(job);
    Lines calls = Calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0], "getArchiveName");
    EXPECT_EQ(calls[1], "setShowIndexDialog true");
    std::smatch add;
    ASSERT_TRUE(std::regex_match(
        calls[2], add,
        std::regex("addDocumentFileToArchive \"(.*)\" \"ARO Print\" \"([0-9]{14})\" file=present")))
        << calls[2];
    EXPECT_EQ(add[1], tiff);
    EXPECT_GE(add[2].str(), before);
    EXPECT_LE(add[2].str(), after);
    EXPECT_FALSE(FileExists(tiff));
    EXPECT_FALSE(FileExists(GroupFile(tiff)));
    EXPECT_NE(ReadFile(box.tempDir() + "AroPrinter.log").find("Archive name found: Archiv Süd\n"),
              std::string::npos);
}

TEST_F(ArchiveHandOffTest, JavaClientWithoutArchiveAsksForTheLogin) {
    auto server = Serve(kJava, {"--no-archive"});
    JobResult job = Print(PrintJob({{"PrintToArchive", "1"}, {"IsJavaClient", "1"}}));
    ASSERT_EQ(job.exitCode, 0);
    Lines calls = Calls();
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(Lines(calls.begin(), calls.begin() + 3),
              (Lines{"getArchiveName", "loginWithDialog", "setShowIndexDialog true"}));
    EXPECT_EQ(calls[3].rfind("addDocumentFileToArchive " + Quoted(OnlyFile(job)), 0), 0u);
}

TEST_F(ArchiveHandOffTest, JavaFilingFailuresStillDeleteTheFiles) {
    {
        auto server = Serve(kJava, {"--without", "setShowIndexDialog"});
        JobResult job = Print(PrintJob({{"PrintToArchive", "1"}, {"IsJavaClient", "1"}}));
        ASSERT_EQ(job.exitCode, 0);
        EXPECT_EQ(Calls(), Lines{"getArchiveName"});
        EXPECT_FALSE(FileExists(OnlyFile(job)));
    }
    auto server = Serve(kJava, {"--exit-in", "addDocumentFileToArchive"});
    JobResult job =
        Print(PrintJob({{"PrintToArchive", "1"}, {"IsJavaClient", "1"}}).WithGroupFiles());
    ASSERT_EQ(job.exitCode, 0) << "the job did not come back";
    EXPECT_EQ(job.standardError, "");
    EXPECT_EQ(Calls().size(), 4u);
    EXPECT_FALSE(FileExists(OnlyFile(job)));
    EXPECT_FALSE(FileExists(GroupFile(OnlyFile(job))));
}

TEST_F(ArchiveHandOffTest, JavaInTrayKeepsTheFiles) {
    auto server = Serve(kJava);
    JobResult job =
        Print(PrintJob({{"IsJavaClient", "1"}, {"PrintGrpFile", "1"}}).Watching(box.outDir()));
    ASSERT_EQ(job.exitCode, 0);
    EXPECT_EQ(job.standardError, "");
    const std::string tiff = OnlyFile(job);
    EXPECT_EQ(Calls(), (Lines{"getArchiveName", "setShowIndexDialog true",
                              "addDocumentFileToIntray " + Quoted(tiff) + " file=present"}));
    EXPECT_TRUE(FileExists(tiff));
    EXPECT_TRUE(FileExists(GroupFile(tiff)));
}

TEST_F(ArchiveHandOffTest, JavaInTrayFailuresKeepTheFile) {
    {
        auto server = Serve(kJava, {"--fail", "addDocumentFileToIntray"});
        JobResult job = Print(PrintJob({{"IsJavaClient", "1"}}).Watching(box.outDir()));
        ASSERT_EQ(job.exitCode, 0);
        EXPECT_EQ(Calls().size(), 3u);
        EXPECT_TRUE(FileExists(OnlyFile(job)));
    }
    // The login goes to the instance that died, not to a newly started one.
    auto server = Serve(kJava, {"--exit-in", "getArchiveName"});
    JobResult job =
        Print(PrintJob({{"IsJavaClient", "1"}, {"FileNameMode", "1"}}).Watching(box.outDir()));
    ASSERT_EQ(job.exitCode, 0) << "the job did not come back";
    EXPECT_EQ(job.standardError, "");
    EXPECT_EQ(Calls().size(), 4u);
    EXPECT_EQ(Calls().back(), "getArchiveName");
    EXPECT_FALSE(bus.NameHasOwner(kJava));
    EXPECT_EQ(box.Files(box.outDir(), ".TIF").size(), 2u);
}

TEST_F(ArchiveHandOffTest, NoClientIsCalledOutsideArchiveModeWithoutTheJavaClient) {
    auto classic = Serve(kClassic);
    auto java = Serve(kJava);
    JobResult zero =
        Print(PrintJob({{"PrintToArchive", "0"}, {"IsJavaClient", "0"}}).Watching(box.outDir()));
    JobResult absent = Print(PrintJob({{"FileNameMode", "1"}}).Watching(box.outDir()));
    ASSERT_EQ(zero.exitCode + absent.exitCode, 0);
    EXPECT_EQ(Calls(), Lines{});
    EXPECT_TRUE(FileExists(OnlyFile(zero)));
    EXPECT_EQ(box.Files(box.outDir(), ".TIF").size(), 2u);
}

}  // namespace
}  // namespace aro::itest
