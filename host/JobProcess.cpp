#include "JobProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Interruption.h"

namespace aro::host {

namespace {

bool WriteAll(int fd, const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = write(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n, size -= static_cast<size_t>(n);
    }
    return true;
}

size_t ReadAll(int fd, void* data, size_t size) {
    char* p = static_cast<char*>(data);
    size_t total = 0;
    while (total < size) {
        ssize_t n = read(fd, p + total, size - total);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        total += static_cast<size_t>(n);
    }
    return total;
}

[[noreturn]] void RunChild(int reportFd, const std::function<JobOutcome()>& job) {
    JobOutcome outcome = job();
    bool sent = WriteAll(reportFd, &outcome, sizeof outcome);
    close(reportFd);
    std::fflush(nullptr);
    std::exit(sent ? 0 : 1);
}

int WaitFor(pid_t child) {
    int status = 0;
    while (waitpid(child, &status, 0) < 0)
        if (errno != EINTR) return -1;
    return status;
}

std::string DescribeEnd(int status) {
    if (WIFSIGNALED(status))
        return std::string("the job process was killed by signal ") + strsignal(WTERMSIG(status));
    return "the job process ended without a report (exit status " +
           std::to_string(WEXITSTATUS(status)) + ")";
}

}  // namespace

JobOutcome RunInChildProcess(const std::function<JobOutcome()>& job, std::string* failure) {
    JobOutcome outcome;
    outcome.result = JobResult::Crashed;
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) {
        *failure = std::string("cannot make a pipe: ") + std::strerror(errno);
        return outcome;
    }
    std::fflush(nullptr);  // nothing buffered may be written twice
    // A signal caught between the fork and SetJobProcess would not reach the child.
    sigset_t interruptions, previous;
    sigemptyset(&interruptions);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&interruptions, signal);
    sigprocmask(SIG_BLOCK, &interruptions, &previous);
    pid_t child = fork();
    // The job and the programs it starts (Ghostscript) form a process group
    // of their own, so that a signal passed on reaches every one of them;
    // both sides set it, whichever runs first.
    if (child >= 0) setpgid(child == 0 ? 0 : child, 0);
    if (child == 0) RestoreDefaultSignals();
    if (child > 0) SetJobProcess(child);
    sigprocmask(SIG_SETMASK, &previous, nullptr);
    if (child < 0) {
        *failure = std::string("cannot start the job process: ") + std::strerror(errno);
        close(report[0]), close(report[1]);
        return outcome;
    }
    if (child == 0) {
        close(report[0]);
        RunChild(report[1], job);
    }
    close(report[1]);
    JobOutcome received;
    size_t got = ReadAll(report[0], &received, sizeof received);
    close(report[0]);
    int status = WaitFor(child);
    SetJobProcess(0);
    bool clean = status >= 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (got == sizeof received && clean) return received;
    *failure = status < 0 ? "lost the job process" : DescribeEnd(status);
    return outcome;
}

}  // namespace aro::host
