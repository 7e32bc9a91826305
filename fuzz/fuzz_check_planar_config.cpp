// Fuzzes the planar configuration scan and repair on arbitrary files: both
// modes must end, and the repair must only rewrite bytes inside the file.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "imaging/PlanarConfigRepair.h"

namespace {

char g_folder[] = "/tmp/aro-fuzz-planar-XXXXXX";

void RemoveScratchFolder() {
    unlink((std::string(g_folder) + "/input.tif").c_str());
    rmdir(g_folder);
}

const std::string& ScratchFile() {
    static const std::string path = [] {
        if (!mkdtemp(g_folder)) abort();
        std::atexit(RemoveScratchFolder);
        return std::string(g_folder) + "/input.tif";
    }();
    return path;
}

bool WriteFile(const std::string& path, const uint8_t* data, size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::vector<uint8_t> bytes;
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        int c;
        while ((c = std::fgetc(file)) != EOF) bytes.push_back(static_cast<uint8_t>(c));
        std::fclose(file);
    }
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = ScratchFile();
    if (!WriteFile(path, data, size)) return 0;
    const std::vector<uint8_t> input(data, data + size);

    aro::HasPlanarConfigDefect(path.c_str());
    if (ReadFile(path) != input) __builtin_trap();  // the read-only scan wrote

    aro::RepairPlanarConfigDefect(path.c_str());
    if (ReadFile(path).size() != size) __builtin_trap();  // the repair grew the file
    return 0;
}
