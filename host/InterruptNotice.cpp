#include "InterruptNotice.h"

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace aro::host {

namespace {

constexpr size_t kNoticeBytes = 1024;

// Two buffers: the handler reads the one not being written.
char s_notices[2][kNoticeBytes];
volatile sig_atomic_t s_ready = 0;
std::string s_label;
char s_temporary[4096];
bool s_terminal = false;

void Prepare(const std::string& text) {
    const int next = 1 - s_ready;
    std::snprintf(s_notices[next], kNoticeBytes, "%saro-print: %s\n", s_terminal ? "\r\033[K" : "",
                  text.c_str());
    s_ready = next;
}

void OnInterrupt(int signal) {
    const char* notice = s_notices[s_ready];
    ssize_t ignored = write(STDERR_FILENO, notice, std::strlen(notice));
    (void)ignored;
    if (s_temporary[0]) unlink(s_temporary);
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
    raise(signal);
}

}  // namespace

std::string InterruptNoticeText(const std::string& label, uint32_t pages,
                                const std::string& lastFile, uint32_t pagesInLastFile) {
    std::string text = label + ": interrupted";
    if (pages == 0 || lastFile.empty()) return text + " before any page was written";
    text += ": " + lastFile + " holds an unfinished document of " +
            std::to_string(pagesInLastFile) + " page(s)";
    if (pagesInLastFile != pages) text += " (" + std::to_string(pages) + " page(s) in all)";
    return text;
}

void AnnounceInterruptions(const std::string& label) {
    s_label = label;
    s_terminal = isatty(STDERR_FILENO) == 1;
    Prepare(InterruptNoticeText(label, 0, "", 0));
    struct sigaction action = {};
    action.sa_handler = &OnInterrupt;
    sigemptyset(&action.sa_mask);
    // One notice: the other signals wait while it is written.
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&action.sa_mask, signal);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

void RemoveOnInterrupt(const std::string& path) {
    s_temporary[0] = '\0';  // never a half-copied name in the handler
    if (path.size() >= sizeof s_temporary) return;
    std::memcpy(s_temporary + 1, path.c_str() + 1, path.size());
    s_temporary[0] = path.empty() ? '\0' : path[0];
}

void NoteJobProgress(uint32_t pages, const std::string& lastFile, uint32_t pagesInLastFile) {
    Prepare(InterruptNoticeText(s_label, pages, lastFile, pagesInLastFile));
}

}  // namespace aro::host
