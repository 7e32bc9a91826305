// Starts a helper program (gs, pdfinfo, pdftotext) found on PATH, without a
// shell, optionally reading its standard output through a pipe.
#pragma once

#include <sys/types.h>

#include <cstdio>
#include <string>
#include <vector>

namespace aro::host {

class ChildProgram {
public:
    ChildProgram() = default;
    ChildProgram(const ChildProgram&) = delete;
    ChildProgram& operator=(const ChildProgram&) = delete;
    // Stops a program that is still running and reaps it.
    ~ChildProgram();

    struct Streams {
        bool captureOutput = false;  // standard output readable through output()
        bool discardErrors = false;  // standard error to /dev/null
        bool feedInput = false;      // standard input written through WriteInput()
        int passedFile = -1;         // a descriptor the program gets as its descriptor 3
    };

    // The descriptor a passed file has in the program.
    static constexpr int kPassedFileNumber = 3;

    // Starts argv[0] with these arguments.
    bool Start(const std::vector<std::string>& argv, Streams streams, std::string* error);

    // The program's standard output; null unless captured.
    std::FILE* output() const { return m_output; }

    // Writes all of data to the program's standard input. False when the
    // program no longer reads it (it ended): no SIGPIPE is raised.
    bool WriteInput(const void* data, size_t size);

    // Ends the program's standard input.
    void CloseInput();

    // Closes the pipes, waits for the program; its exit status, or -1 when it
    // died from a signal.
    int Wait();

    // Ends the program at once (it is ours) and reaps it.
    void Stop();

private:
    pid_t m_pid = -1;
    std::FILE* m_output = nullptr;
    int m_input = -1;
};

// Runs a program to its end; its exit status (-1: not started or killed),
// with its standard output in output when given.
int RunProgram(const std::vector<std::string>& argv, ChildProgram::Streams streams,
               std::string* output, std::string* error);

// A path that no program mistakes for an option.
std::string AsOperand(const std::string& path);

}  // namespace aro::host
