#include "platform/posix/Spawn.h"

#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>

extern char** environ;

namespace aro::posix {

namespace {

constexpr int kIntermediateSpawnFailed = 127;

// argv for posix_spawnp; points into arguments, which must outlive it.
std::vector<char*> ArgumentPointers(const std::vector<std::string>& arguments) {
    std::vector<char*> pointers;
    pointers.reserve(arguments.size() + 1);
    for (const std::string& argument : arguments) {
        pointers.push_back(const_cast<char*>(argument.c_str()));
    }
    pointers.push_back(nullptr);
    return pointers;
}

bool Spawn(const std::string& program, const std::vector<char*>& argv, pid_t* child) {
    return posix_spawnp(child, program.c_str(), nullptr, nullptr, argv.data(), environ) == 0;
}

// The child's wait status; -1 when it cannot be collected here (the host
// reaps its children itself, say).
int WaitForExit(pid_t child) {
    int status = 0;
    pid_t result;
    do {
        result = waitpid(child, &status, 0);
    } while (result < 0 && errno == EINTR);
    return result == child ? status : -1;
}

}  // namespace

bool SpawnAndWait(const std::string& program, const std::vector<std::string>& arguments) {
    const std::vector<char*> argv = ArgumentPointers(arguments);
    pid_t child = 0;
    if (!Spawn(program, argv, &child)) return false;
    WaitForExit(child);
    return true;
}

bool SpawnDetached(const std::string& program, const std::vector<std::string>& arguments) {
    // Everything the intermediate child needs is prepared before fork: it
    // may only spawn and leave.
    const std::vector<char*> argv = ArgumentPointers(arguments);
    const pid_t intermediate = fork();
    if (intermediate < 0) return false;
    if (intermediate == 0) {
        pid_t programPid = 0;
        _exit(Spawn(program, argv, &programPid) ? 0 : kIntermediateSpawnFailed);
    }
    const int status = WaitForExit(intermediate);
    if (status == -1) return true;  // outcome unknown; the program may well run
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace aro::posix
