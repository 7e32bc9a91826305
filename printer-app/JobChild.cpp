#include "JobChild.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <dirent.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace aro::printerapp {

namespace {

constexpr int kPollMs = 200;        // how soon a cancellation is seen
constexpr int kStopGraceMs = 3000;  // SIGTERM to SIGKILL
constexpr int kHighFd = 10;         // parking place while the child arranges 0..3

void CloseFd(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
}

// Only async-signal-safe calls from here to execve: the server has threads.
void WriteText(int fd, const char* text) {
    ssize_t ignored = write(fd, text, strlen(text));
    (void)ignored;
}

void WriteNumber(int fd, int value) {
    char digits[16];
    int n = 0;
    unsigned v = value < 0 ? 0u : static_cast<unsigned>(value);
    do digits[n++] = static_cast<char>('0' + v % 10), v /= 10;
    while (v && n < 15);
    while (n > 0) {
        char c = digits[--n];
        ssize_t ignored = write(fd, &c, 1);
        (void)ignored;
    }
}

[[noreturn]] void FailInChild(int statusFd, const char* what, int error, int code) {
    WriteText(statusFd, "error ");
    WriteText(statusFd, what);
    WriteText(statusFd, " (errno ");
    WriteNumber(statusFd, error);
    WriteText(statusFd, ")\n");
    _exit(code);
}

struct ChildFds {
    int input, output, status;
};

[[noreturn]] void RunChild(const ChildFds& fds, const AccountSwitch& account, const char* path,
                           char* const* argv) {
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction byDefault = {};
    byDefault.sa_handler = SIG_DFL;
    for (int signal : {SIGPIPE, SIGTERM, SIGINT, SIGHUP, SIGCHLD})
        sigaction(signal, &byDefault, nullptr);
    setpgid(0, 0);
    // Park the three ends above the standard numbers, then place them.
    int input = fcntl(fds.input, F_DUPFD, kHighFd);
    int output = fcntl(fds.output, F_DUPFD, kHighFd);
    int status = fcntl(fds.status, F_DUPFD, kHighFd);
    if (input < 0 || output < 0 || status < 0) _exit(127);
    if (dup2(input, STDIN_FILENO) < 0 || dup2(output, STDOUT_FILENO) < 0 ||
        dup2(output, STDERR_FILENO) < 0 || dup2(status, kChildStatusFd) < 0)
        _exit(127);
    // Nothing of the server (listening sockets, spool files) goes along.
    if (close_range(kChildStatusFd + 1, ~0U, 0) != 0)
        for (int fd = kChildStatusFd + 1; fd < 65536; ++fd) close(fd);
    if (int error = account.EnterInChild())
        FailInChild(kChildStatusFd, "aro-print could not run as the job's account", error, 126);
    execve(path, argv, account.Environment());
    FailInChild(kChildStatusFd, "aro-print could not be started", errno, 127);
}

// The process groups of parent's children other than its own: aro-print
// runs its job in a group of its own, which a signal to aro-print's group
// does not reach.
std::vector<pid_t> ChildGroups(pid_t parent) {
    std::vector<pid_t> groups;
    DIR* proc = opendir("/proc");
    while (dirent* entry = proc ? readdir(proc) : nullptr) {
        const std::string path = std::string("/proc/") + entry->d_name + "/stat";
        FILE* stat = std::fopen(path.c_str(), "r");
        if (!stat) continue;
        int ppid = 0, pgrp = 0;
        // pid (comm) state ppid pgrp: comm may hold spaces, so start after ')'.
        char line[512];
        const char* after = nullptr;
        if (std::fgets(line, sizeof line, stat) && (after = std::strrchr(line, ')')) &&
            std::sscanf(after + 1, " %*c %d %d", &ppid, &pgrp) == 2 && ppid == parent &&
            pgrp != parent && pgrp > 0)
            groups.push_back(pgrp);
        std::fclose(stat);
    }
    if (proc) closedir(proc);
    return groups;
}

// A write to a child that is gone must fail with EPIPE, not end the
// process, whatever SIGPIPE's disposition: the signal is held back for this
// thread during the write and taken away when the write raised it.
ssize_t WriteWithoutSigpipe(int fd, const void* data, size_t size) {
    sigset_t pipeSignal, previous;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
    ssize_t written = write(fd, data, size);
    const int error = errno;
    if (written < 0 && error == EPIPE) {
        const timespec none = {0, 0};
        while (sigtimedwait(&pipeSignal, nullptr, &none) < 0 && errno == EINTR) {
        }
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    errno = error;
    return written;
}

long NowMs() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000L + now.tv_nsec / 1000000L;
}

}  // namespace

JobChild::~JobChild() {
    if (m_pid > 0) Stop();
    CloseAll();
}

bool JobChild::Start(const ChildProgram& program, const JobAccount& account, std::string* error) {
    // Everything the child needs is prepared before fork.
    AccountSwitch accountSwitch(account, {});
    std::vector<std::string> words;
    words.push_back(program.path);
    words.insert(words.end(), program.arguments.begin(), program.arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    int inputPipe[2] = {-1, -1}, outputPipe[2], statusPipe[2];
    if (pipe2(outputPipe, O_CLOEXEC) != 0) {
        *error = std::string("cannot make a pipe: ") + std::strerror(errno);
        return false;
    }
    if (pipe2(statusPipe, O_CLOEXEC) != 0) {
        *error = std::string("cannot make a pipe: ") + std::strerror(errno);
        close(outputPipe[0]), close(outputPipe[1]);
        return false;
    }
    const char* inputFile = program.inputFile.empty() ? "/dev/null" : program.inputFile.c_str();
    bool inputOk = program.pipedInput ? pipe2(inputPipe, O_CLOEXEC) == 0
                                      : (inputPipe[0] = open(inputFile, O_RDONLY | O_CLOEXEC)) >= 0;
    if (!inputOk) {
        *error = std::string("cannot open ") + (program.pipedInput ? "a pipe" : inputFile) + ": " +
                 std::strerror(errno);
        for (int fd : {outputPipe[0], outputPipe[1], statusPipe[0], statusPipe[1]}) close(fd);
        return false;
    }
    pid_t pid = fork();
    if (pid == 0)
        RunChild({inputPipe[0], outputPipe[1], statusPipe[1]}, accountSwitch, words[0].c_str(),
                 argv.data());
    int startError = errno;
    close(inputPipe[0]), close(outputPipe[1]), close(statusPipe[1]);
    m_input = inputPipe[1];
    m_output = outputPipe[0];
    m_status = statusPipe[0];
    if (pid < 0) {
        *error = std::string("cannot start aro-print: ") + std::strerror(startError);
        CloseAll();
        return false;
    }
    setpgid(pid, pid);  // as the child does: whichever runs first
    if (m_input >= 0 && program.pipedInput)
        fcntl(m_input, F_SETFL, fcntl(m_input, F_GETFL) | O_NONBLOCK);
    m_pid = pid;
    return true;
}

void JobChild::CloseAll() {
    CloseFd(m_input);
    CloseFd(m_output);
    CloseFd(m_status);
}

void JobChild::CloseInput() {
    CloseFd(m_input);
}

void JobChild::ReadFrom(int& fd, std::string& pending, bool status, ChildListener& listener) {
    char buffer[4096];
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) return;
    if (n <= 0) {
        if (!pending.empty()) {
            status ? listener.StatusLine(pending) : listener.OutputLine(pending);
            pending.clear();
        }
        CloseFd(fd);
        return;
    }
    pending.append(buffer, static_cast<size_t>(n));
    for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
        std::string line = pending.substr(0, end);
        pending.erase(0, end + 1);
        status ? listener.StatusLine(line) : listener.OutputLine(line);
    }
}

// One wait for the child's descriptors; false when nothing is left to wait
// for (or, with wantWrite, when the input no longer takes data).
bool JobChild::Pump(int timeoutMs, bool wantWrite, ChildListener& listener) {
    pollfd fds[3];
    nfds_t count = 0;
    int statusIndex = -1, outputIndex = -1, inputIndex = -1;
    if (m_status >= 0) statusIndex = static_cast<int>(count), fds[count++] = {m_status, POLLIN, 0};
    if (m_output >= 0) outputIndex = static_cast<int>(count), fds[count++] = {m_output, POLLIN, 0};
    if (wantWrite && m_input >= 0)
        inputIndex = static_cast<int>(count), fds[count++] = {m_input, POLLOUT, 0};
    if (count == 0) return false;
    int ready = poll(fds, count, timeoutMs);
    if (ready < 0) return errno == EINTR;
    if (statusIndex >= 0 && fds[statusIndex].revents)
        ReadFrom(m_status, m_statusPending, true, listener);
    if (outputIndex >= 0 && fds[outputIndex].revents)
        ReadFrom(m_output, m_outputPending, false, listener);
    if (inputIndex >= 0 && (fds[inputIndex].revents & (POLLERR | POLLHUP))) return false;
    return true;
}

bool JobChild::Write(const void* data, size_t size, ChildListener& listener) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        if (m_input < 0 || listener.Cancelled()) return false;
        ssize_t n = WriteWithoutSigpipe(m_input, p, size);
        if (n > 0) {
            p += n, size -= static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) return false;  // EPIPE: the child is gone
        // A full pipe: read what the child says meanwhile, so that neither
        // side waits for the other.
        if (!Pump(kPollMs, true, listener)) return false;
    }
    return true;
}

void JobChild::ReadAvailable(ChildListener& listener) {
    while ((m_status >= 0 || m_output >= 0) && Pump(0, false, listener)) {
        pollfd probe[2] = {{m_status, POLLIN, 0}, {m_output, POLLIN, 0}};
        if (poll(probe, 2, 0) <= 0) break;
    }
}

int JobChild::Reap() {
    int status = 0;
    while (waitpid(m_pid, &status, 0) < 0)
        if (errno != EINTR) break;
    m_pid = -1;
    m_waitStatus = status;
    return status;
}

int JobChild::Finish(ChildListener& listener) {
    CloseInput();
    while (m_status >= 0 || m_output >= 0) {
        if (listener.Cancelled()) return Stop();
        Pump(kPollMs, false, listener);
    }
    return m_pid > 0 ? Reap() : m_waitStatus;
}

int JobChild::Stop() {
    if (m_pid <= 0) return m_waitStatus;
    CloseInput();
    kill(-m_pid, SIGTERM);
    kill(m_pid, SIGTERM);
    const long deadline = NowMs() + kStopGraceMs;
    int status = 0;
    while (NowMs() < deadline) {
        pid_t ended = waitpid(m_pid, &status, WNOHANG);
        if (ended == m_pid || (ended < 0 && errno != EINTR)) {
            m_pid = -1;
            m_waitStatus = status;
            return status;
        }
        usleep(20000);
    }
    // Its job's own group first: once aro-print is gone it cannot be found.
    for (pid_t group : ChildGroups(m_pid)) kill(-group, SIGKILL);
    kill(-m_pid, SIGKILL);
    kill(m_pid, SIGKILL);
    return Reap();
}

}  // namespace aro::printerapp
