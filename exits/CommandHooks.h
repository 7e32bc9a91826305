// Outside programs an administrator configures for three points of a job.
#pragma once

namespace aro {

// Starts command with the argument vector (parameter, parameter) when the
// command has two characters or more; otherwise lets the shell open a
// non-empty parameter. Waits for the program only when asked to.
void RunCommandHook(const char* command, const char* parameter, bool wait);

// The hooks, each reading its two settings afresh.
void RunBeforeHook();
void RunCheckinHook();
void RunAfterHook();

}  // namespace aro
