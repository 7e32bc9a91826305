// Programs the bench starts beside itself with an environment of their own
// (a server, its clients, Ghostscript), by process id, so that several run
// at once and a server's memory can be read from /proc.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace aro::bench {

// This process's environment with the given NAME=VALUE entries replacing
// any of the same names.
std::vector<std::string> EnvironmentWith(const std::vector<std::string>& entries);

// Starts argv[0] (searched on PATH) with standard input from inputFile
// and standard output and error appended to outputFile; -1 when it could
// not.
pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
            const std::string& outputFile, const std::string& inputFile = "/dev/null");

// Waits for a started program: its exit status, 128 + the signal that
// ended it, or -1 for no such child. cpuSeconds, when given, receives the
// processor time (user and system) it and the children it waited for used.
int WaitFor(pid_t pid, double* cpuSeconds = nullptr);

// Spawn and WaitFor in one; the exit status.
int RunToEnd(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
             const std::string& outputFile, const std::string& inputFile = "/dev/null",
             double* cpuSeconds = nullptr);

// Processor time (user and system) of a running process and of the
// children it has waited for, from /proc/PID/stat; -1 when unknown.
double ProcessCpuSeconds(pid_t pid);
// The same from the text of a stat file.
double CpuSecondsOfStat(const std::string& statText);

// VmRSS, VmHWM, ... of a process in KiB ("VmRSS:"), -1 when unknown.
long ProcessStatusKiB(pid_t pid, const char* field);

}  // namespace aro::bench
