#include "AroPrintProgram.h"

#include <unistd.h>

#include <mutex>

namespace aro::printerapp {

namespace {

std::mutex g_lock;
std::string g_program;

}  // namespace

std::string AroPrintBesideServer() {
    char self[4096];
    ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) return "aro-print";
    std::string path(self, static_cast<size_t>(length));
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? "aro-print" : path.substr(0, slash + 1) + "aro-print";
}

void SetAroPrintProgram(const std::string& path) {
    std::lock_guard<std::mutex> lock(g_lock);
    g_program = path;
}

std::string AroPrintProgram() {
    std::lock_guard<std::mutex> lock(g_lock);
    return g_program.empty() ? AroPrintBesideServer() : g_program;
}

}  // namespace aro::printerapp
