#include "ChildProgram.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace aro::host {

namespace {

constexpr int kPipeBytes = 1 << 20;

class SpawnActions {
public:
    SpawnActions() { posix_spawn_file_actions_init(&m_actions); }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&m_actions); }
    posix_spawn_file_actions_t* get() { return &m_actions; }

private:
    posix_spawn_file_actions_t m_actions;
};

}  // namespace

ChildProgram::~ChildProgram() {
    if (m_pid > 0) Stop();
    if (m_output) std::fclose(m_output);
    CloseInput();
}

bool ChildProgram::Start(const std::vector<std::string>& argv, Streams streams,
                         std::string* error) {
    const bool captureOutput = streams.captureOutput;
    std::vector<char*> arguments;
    for (const std::string& argument : argv)
        arguments.push_back(const_cast<char*>(argument.c_str()));
    arguments.push_back(nullptr);

    int pipeEnds[2] = {-1, -1};
    SpawnActions actions;
    if (captureOutput) {
        // Close-on-exec keeps the pipe out of every other child we start.
        if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
            *error = std::string("cannot make a pipe: ") + std::strerror(errno);
            return false;
        }
        posix_spawn_file_actions_adddup2(actions.get(), pipeEnds[1], STDOUT_FILENO);
        // A rendered page is megabytes: a larger pipe lets the program write
        // ahead instead of waking us every 64 KiB. Best effort.
        fcntl(pipeEnds[0], F_SETPIPE_SZ, kPipeBytes);
    }
    // Standard input is a socket, so that writing to a program that has
    // ended fails with EPIPE instead of raising SIGPIPE (send's
    // MSG_NOSIGNAL), whichever thread writes.
    int inputEnds[2] = {-1, -1};
    if (streams.feedInput) {
        if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, inputEnds) != 0) {
            *error = std::string("cannot make a socket: ") + std::strerror(errno);
            if (captureOutput) close(pipeEnds[0]), close(pipeEnds[1]);
            return false;
        }
        shutdown(inputEnds[0], SHUT_WR);
        shutdown(inputEnds[1], SHUT_RD);
        posix_spawn_file_actions_adddup2(actions.get(), inputEnds[0], STDIN_FILENO);
    }
    if (streams.passedFile >= 0)
        posix_spawn_file_actions_adddup2(actions.get(), streams.passedFile, kPassedFileNumber);
    if (streams.discardErrors)
        posix_spawn_file_actions_addopen(actions.get(), STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    int failure =
        posix_spawnp(&m_pid, arguments[0], actions.get(), nullptr, arguments.data(), environ);
    if (captureOutput) close(pipeEnds[1]);
    if (streams.feedInput) close(inputEnds[0]), m_input = inputEnds[1];
    if (failure != 0) {
        m_pid = -1;
        if (captureOutput) close(pipeEnds[0]);
        CloseInput();
        *error = "cannot start " + argv[0] + ": " + std::strerror(failure);
        return false;
    }
    if (captureOutput && !(m_output = fdopen(pipeEnds[0], "rb"))) {
        int reason = errno;
        close(pipeEnds[0]);
        Stop();
        *error = std::string("cannot read from ") + argv[0] + ": " + std::strerror(reason);
        return false;
    }
    return true;
}

bool ChildProgram::WriteInput(const void* data, size_t size) {
    const char* next = static_cast<const char*>(data);
    while (size > 0 && m_input >= 0) {
        ssize_t sent = send(m_input, next, size, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return false;
        next += sent, size -= static_cast<size_t>(sent);
    }
    return size == 0;
}

void ChildProgram::CloseInput() {
    if (m_input >= 0) close(m_input);
    m_input = -1;
}

int ChildProgram::Wait() {
    CloseInput();
    if (m_output) {
        std::fclose(m_output);
        m_output = nullptr;
    }
    if (m_pid <= 0) return -1;
    int status = 0;
    while (waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
    m_pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void ChildProgram::Stop() {
    if (m_pid > 0) kill(m_pid, SIGTERM);
    Wait();
}

int RunProgram(const std::vector<std::string>& argv, ChildProgram::Streams streams,
               std::string* output, std::string* error) {
    ChildProgram program;
    streams.captureOutput = output != nullptr;
    if (!program.Start(argv, streams, error)) return -1;
    if (output) {
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, program.output())) > 0)
            output->append(buffer, n);
    }
    return program.Wait();
}

std::string AsOperand(const std::string& path) {
    return !path.empty() && path[0] == '-' ? "./" + path : path;
}

}  // namespace aro::host
