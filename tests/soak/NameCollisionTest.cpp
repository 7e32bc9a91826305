// Jobs that run side by side, each in its own process, and stamp their file
// names in the same millisecond into one folder: every job must keep a file
// of its own, and no file another job owns may be replaced.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "ModuleHarness.h"
#include "common/TiffInspect.h"

namespace aro::itest {
namespace {

constexpr int kJobs = 20;
constexpr int kJobsAtATime = 8;
// Milliseconds ahead whose default names a job takes before it starts: its
// own stamp falls among them, so it meets a file of that name.
constexpr int kTakenMilliseconds = 1500;
constexpr const char* kTakenContent = "owned by another job";

// The module's default stem for a moment: "AROPrint_" and local time with
// milliseconds.
std::string DefaultStem(const struct timespec& moment) {
    struct tm fields {};
    localtime_r(&moment.tv_sec, &fields);
    char stem[64];
    std::snprintf(stem, sizeof stem, "AROPrint_%.4d%.2d%.2d%.2d%.2d%.2d%.3d", fields.tm_year + 1900,
                  fields.tm_mon + 1, fields.tm_mday, fields.tm_hour, fields.tm_min, fields.tm_sec,
                  static_cast<int>(moment.tv_nsec / 1000000));
    return stem;
}

// Creates the TIFF names of the coming milliseconds that nobody has yet;
// returns how many this call created.
int TakeComingNames(const std::string& folder) {
    struct timespec moment {};
    clock_gettime(CLOCK_REALTIME, &moment);
    moment.tv_nsec -= moment.tv_nsec % 1000000;
    int created = 0;
    for (int ms = 0; ms < kTakenMilliseconds; ++ms) {
        const std::string path = folder + "/" + DefaultStem(moment) + ".TIF";
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        if (fd >= 0) {
            created += write(fd, kTakenContent, std::strlen(kTakenContent)) > 0;
            close(fd);
        }
        moment.tv_nsec += 1000000;
        if (moment.tv_nsec >= 1000000000) moment.tv_nsec -= 1000000000, ++moment.tv_sec;
    }
    return created;
}

// One job: takes the coming names, prints one page, records how many names
// it took and the .TXT name the module gives after the first band.
void PrintOneJob(const std::string& folder, Module& m, std::vector<std::string>& out) {
    const int taken = TakeComingNames(folder);
    m.jobName("Report");
    m.startDoc();
    std::vector<int> statuses = PrintPage(m, MonoPage(200, 64, 3), 200, 64, 32, 1);
    char text[ARO_PRINT_FILE_NAME_SIZE] = "";
    m.printFileName(text);
    m.endDoc();
    out = {std::to_string(taken), text};
    for (int status : statuses) out.push_back(std::to_string(status));
}

// Runs every job in a process of its own, kJobsAtATime of them at once; each
// job's outputs are its last line of outputs.txt in its sandbox.
void RunSideBySide(const std::vector<std::unique_ptr<Sandbox>>& boxes, const std::string& folder,
                   std::vector<std::vector<std::string>>* outputs) {
    std::vector<pid_t> running;
    for (size_t job = 0; job < boxes.size(); ++job) {
        if (running.size() == kJobsAtATime) {
            waitpid(running.front(), nullptr, 0);
            running.erase(running.begin());
        }
        std::fflush(nullptr);
        const pid_t worker = fork();
        if (worker == 0) {
            JobResult result = boxes[job]->Run(
                [&](Module& m, std::vector<std::string>& out) { PrintOneJob(folder, m, out); });
            FILE* record = std::fopen((boxes[job]->root() + "/job.txt").c_str(), "w");
            for (const auto& line : result.outputs) std::fprintf(record, "%s\n", line.c_str());
            std::fclose(record);
            _exit(result.exitCode);
        }
        running.push_back(worker);
    }
    for (pid_t worker : running) waitpid(worker, nullptr, 0);
    for (const auto& box : boxes) {
        std::vector<std::string> lines;
        std::string text = ReadFile(box->root() + "/job.txt");
        for (size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
            lines.push_back(text.substr(at, end - at));
        outputs->push_back(lines);
    }
}

TEST(NameCollisionTest, JobsStampingOneNameKeepTheirOwnFilesAndLeaveOthersAlone) {
    Sandbox shared;
    const std::string folder = shared.outDir();
    std::vector<std::unique_ptr<Sandbox>> boxes;
    for (int job = 0; job < kJobs; ++job) {
        boxes.push_back(std::make_unique<Sandbox>());
        boxes.back()->WriteUserHive(
            "[HKEY_CURRENT_USER\\Software\\ARO Digital\\Dovurezazuv]\n"
            "\"AlternateKey\"=\"Software\\\\Test\\\\Out\"\n\"PrintGrpFile\"=\"1\"\n"
            "\"PrintTxtFile\"=\"1\"\n\n[HKEY_CURRENT_USER\\Software\\Test\\Out]\n"
            "\"Dovurezazuv\"=\"" +
            folder + "\"\n");
    }
    std::vector<std::vector<std::string>> outputs;
    RunSideBySide(boxes, folder, &outputs);

    int taken = 0;
    std::set<std::string> jobFiles;
    for (const auto& out : outputs) {
        ASSERT_EQ(out.size(), 4u);
        EXPECT_EQ(out[2] + out[3], "00");  // both bands accepted
        taken += std::stoi(out[0]);
        const std::string stem = out[1].substr(0, out[1].size() - 4);
        jobFiles.insert(stem + ".TIF");
        // Each job's .grp names the file the job wrote.
        EXPECT_NE(ReadFile(stem + ".grp").find("Image File Name=" + stem + ".TIF"),
                  std::string::npos)
            << stem;
    }
    EXPECT_EQ(jobFiles.size(), static_cast<size_t>(kJobs));
    for (const auto& path : jobFiles) {
        std::vector<test::TiffPage> pages;
        EXPECT_TRUE(test::ReadTiffPages(path, &pages) && pages.size() == 1) << path;
    }
    int untouched = 0;
    for (const auto& name : shared.Files(folder, ".TIF"))
        untouched += ReadFile(folder + "/" + name) == kTakenContent;
    EXPECT_EQ(untouched, taken);
}

}  // namespace
}  // namespace aro::itest
