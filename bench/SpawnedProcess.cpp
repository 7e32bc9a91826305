#include "SpawnedProcess.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

extern char** environ;

namespace aro::bench {

namespace {

std::string NameOf(const std::string& entry) {
    return entry.substr(0, entry.find('='));
}

std::vector<char*> Pointers(const std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (const std::string& text : texts) pointers.push_back(const_cast<char*>(text.c_str()));
    pointers.push_back(nullptr);
    return pointers;
}

double Seconds(const timeval& time) {
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

}  // namespace

std::vector<std::string> EnvironmentWith(const std::vector<std::string>& entries) {
    std::vector<std::string> environment;
    for (char** e = environ; *e; ++e) {
        const std::string name = NameOf(*e);
        bool replaced = false;
        for (const std::string& entry : entries) replaced = replaced || NameOf(entry) == name;
        if (!replaced) environment.push_back(*e);
    }
    environment.insert(environment.end(), entries.begin(), entries.end());
    return environment;
}

pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
            const std::string& outputFile, const std::string& inputFile) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, inputFile.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outputFile.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    std::vector<char*> args = Pointers(argv), env = Pointers(environment);
    pid_t pid = -1;
    const int failed = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), env.data());
    posix_spawn_file_actions_destroy(&actions);
    return failed ? -1 : pid;
}

int WaitFor(pid_t pid, double* cpuSeconds) {
    if (pid <= 0) return -1;
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0)
        if (errno != EINTR) return -1;
    if (cpuSeconds) *cpuSeconds = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

int RunToEnd(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
             const std::string& outputFile, const std::string& inputFile, double* cpuSeconds) {
    return WaitFor(Spawn(argv, environment, outputFile, inputFile), cpuSeconds);
}

double CpuSecondsOfStat(const std::string& statText) {
    // The command name in parentheses may hold spaces: count after its end.
    const size_t end = statText.rfind(')');
    if (end == std::string::npos) return -1;
    std::istringstream fields(statText.substr(end + 1));
    std::string field;
    double ticks = 0;
    // Fields 3 to 17: state ... utime stime cutime cstime (14 to 17).
    for (int number = 3; number <= 17 && fields >> field; ++number)
        if (number >= 14) ticks += std::strtod(field.c_str(), nullptr);
    if (!fields) return -1;
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double ProcessCpuSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    const std::string text((std::istreambuf_iterator<char>(stat)), {});
    return text.empty() ? -1 : CpuSecondsOfStat(text);
}

long ProcessStatusKiB(pid_t pid, const char* field) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    const size_t length = std::strlen(field);
    for (std::string line; std::getline(status, line);)
        if (line.compare(0, length, field) == 0)
            return std::strtol(line.c_str() + length, nullptr, 10);
    return -1;
}

}  // namespace aro::bench
