// Probes of a job's process for the soak and fault tests: open files,
// resident memory, child processes, leaks; and small page and background
// builders.
#pragma once

#include <time.h>

#include <cstdint>
#include <string>
#include <vector>

namespace aro::soak {

// True in the AddressSanitizer build, where resident memory says nothing
// about leaks (LeakSanitizer does) and everything runs slower.
bool UnderAddressSanitizer();

int OpenFileDescriptors();
long ResidentKiB();

// The processes whose parent is this process, with their states ('Z' for
// a zombie).
struct ChildProcess {
    int pid = 0;
    char state = '?';
};
std::vector<ChildProcess> ChildProcesses();

// Runs LeakSanitizer now (in the ASan build); true when it found a leak.
// Always false elsewhere.
bool LeaksFound();

// A colour band (red, green, blue; rows padded to 4 bytes): a soft pattern.
std::vector<unsigned char> ColourPage(uint32_t width, uint32_t rows, int seed);

// 1-bit Group 4 and 24-bit RGB letterheads with a black or dark block.
void WriteMonoLetterhead(const std::string& path, uint32_t width, uint32_t height);
void WriteColourLetterhead(const std::string& path, uint32_t width, uint32_t height);

// Every entry of a folder, hidden ones too, sorted ("." and ".." left out).
std::vector<std::string> FolderEntries(const std::string& folder);

// Polls until predicate holds or about ten seconds passed (a loaded
// machine may start a detached program late).
template <typename Predicate>
bool Eventually(Predicate predicate) {
    for (int i = 0; i < 1000; ++i) {
        if (predicate()) return true;
        struct timespec pause = {0, 10 * 1000 * 1000};
        nanosleep(&pause, nullptr);
    }
    return predicate();
}

}  // namespace aro::soak
