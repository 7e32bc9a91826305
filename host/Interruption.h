// Ctrl-C, SIGTERM and SIGHUP while aro-print runs: the job's process is
// told in turn, and aro-print itself ends with the same signal once it has
// removed what it made (a spooled standard input).
#pragma once

#include <sys/types.h>

namespace aro::host {

// Catches the three signals for the rest of the run. System calls they
// interrupt fail with EINTR instead of being restarted.
void CatchInterruptions();

// The job process whose process group a caught signal is passed on to; 0
// for none.
void SetJobProcess(pid_t child);

// The signal caught so far, 0 when none.
int CaughtSignal();

// In a freshly forked job process: the signals' default actions back.
void RestoreDefaultSignals();

// Ends the program with the signal's default action (exit status 128 + n in
// a shell).
[[noreturn]] void EndBySignal(int signal);

}  // namespace aro::host
