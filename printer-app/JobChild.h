// The aro-print process of one print job: started as the job's account in
// a process group of its own, fed through its standard input when the job
// streams pages, read through its status descriptor and its output, and
// ended at once when the job is cancelled.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "JobAccount.h"

namespace aro::printerapp {

// The descriptor the child's status lines arrive on (--status-fd).
constexpr int kChildStatusFd = 3;

struct ChildProgram {
    std::string path;
    std::vector<std::string> arguments;  // after the program's name
    bool pipedInput = false;             // standard input from Write()
    // Else standard input reads this file, opened by the server: the job's
    // account may not read PAPPL's spool folder. Empty: /dev/null.
    std::string inputFile;
};

// Told of what the child says while the job waits for it.
class ChildListener {
public:
    virtual ~ChildListener() = default;
    virtual void StatusLine(const std::string& line) = 0;
    virtual void OutputLine(const std::string& line) = 0;
    // True when the job was cancelled: the child is stopped.
    virtual bool Cancelled() = 0;
};

class JobChild {
public:
    JobChild() = default;
    ~JobChild();  // stops a child still running
    JobChild(const JobChild&) = delete;
    JobChild& operator=(const JobChild&) = delete;

    bool Start(const ChildProgram& program, const JobAccount& account, std::string* error);

    // Writes all of data to the child's standard input, reading its lines
    // meanwhile. False when the child takes no more input (it ended) or the
    // job was cancelled.
    bool Write(const void* data, size_t size, ChildListener& listener);
    // Reads what has arrived without waiting.
    void ReadAvailable(ChildListener& listener);
    void CloseInput();

    // Reads the child's lines until it closes them, then reaps it; a
    // cancelled job stops it. The wait status.
    int Finish(ChildListener& listener);

    // SIGTERM to the child's process group, SIGKILL after a grace time.
    // The wait status.
    int Stop();

    bool running() const { return m_pid > 0; }

private:
    bool Pump(int timeoutMs, bool wantWrite, ChildListener& listener);
    void ReadFrom(int& fd, std::string& pending, bool status, ChildListener& listener);
    int Reap();
    void CloseAll();

    pid_t m_pid = -1;
    int m_input = -1, m_status = -1, m_output = -1;
    std::string m_statusPending, m_outputPending;
    int m_waitStatus = 0;
};

}  // namespace aro::printerapp
