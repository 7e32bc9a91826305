#include "Interruption.h"

#include <signal.h>
#include <unistd.h>

#include <cstdlib>

namespace aro::host {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

volatile sig_atomic_t s_caught = 0;
volatile pid_t s_jobProcess = 0;

void OnSignal(int signal) {
    if (s_caught == 0) s_caught = signal;
    // The job runs in a process group of its own, which neither a Ctrl-C
    // at the terminal nor a signal sent to aro-print alone would reach.
    if (s_jobProcess > 0) kill(-s_jobProcess, signal);
}

void SetAction(void (*handler)(int)) {
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    for (int signal : kSignals) sigaction(signal, &action, nullptr);
}

}  // namespace

void CatchInterruptions() {
    SetAction(&OnSignal);
}

void SetJobProcess(pid_t child) {
    s_jobProcess = child;
}

int CaughtSignal() {
    return s_caught;
}

void RestoreDefaultSignals() {
    SetAction(SIG_DFL);
}

void EndBySignal(int signal) {
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
    raise(signal);
    std::_Exit(128 + signal);
}

}  // namespace aro::host
