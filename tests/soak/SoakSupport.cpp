#include "SoakSupport.h"

#include <dirent.h>
#include <tiffio.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ARO_SOAK_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define ARO_SOAK_ASAN 1
#endif
#ifdef ARO_SOAK_ASAN
#include <sanitizer/lsan_interface.h>
#endif

namespace aro::soak {

bool UnderAddressSanitizer() {
#ifdef ARO_SOAK_ASAN
    return true;
#else
    return false;
#endif
}

int OpenFileDescriptors() {
    int count = 0;
    DIR* dir = opendir("/proc/self/fd");
    if (!dir) return -1;
    while (const dirent* entry = readdir(dir))
        if (entry->d_name[0] != '.') ++count;
    closedir(dir);
    return count - 1;  // the directory's own descriptor
}

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    if (!dir) return names;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

std::vector<ChildProcess> ChildProcesses() {
    std::vector<ChildProcess> children;
    DIR* tasks = opendir("/proc/self/task");
    if (!tasks) return children;
    while (const dirent* task = readdir(tasks)) {
        if (task->d_name[0] == '.') continue;
        std::ifstream list(std::string("/proc/self/task/") + task->d_name + "/children");
        for (int pid; list >> pid;) {
            ChildProcess child{pid, '?'};
            std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
            std::string text((std::istreambuf_iterator<char>(stat)), {});
            // "pid (name) S ...": the name may hold blanks and parentheses.
            const size_t close = text.rfind(')');
            if (close != std::string::npos && close + 2 < text.size())
                child.state = text[close + 2];
            children.push_back(child);
        }
    }
    closedir(tasks);
    return children;
}

bool LeaksFound() {
#ifdef ARO_SOAK_ASAN
    return __lsan_do_recoverable_leak_check() != 0;
#else
    return false;
#endif
}

std::vector<unsigned char> ColourPage(uint32_t width, uint32_t rows, int seed) {
    const uint32_t stride = (width * 3 + 3) / 4 * 4;
    std::vector<unsigned char> page(size_t{stride} * rows, 0);
    for (uint32_t y = 0; y < rows; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            unsigned char* pixel = &page[size_t{y} * stride + x * 3];
            pixel[0] = static_cast<unsigned char>(40 + (x + seed) % 200);
            pixel[1] = static_cast<unsigned char>(250 - y % 200);
            pixel[2] = static_cast<unsigned char>(128 + (x + y) % 100);
        }
    return page;
}

namespace {

TIFF* OpenLetterhead(const std::string& path, uint32_t width, uint32_t height, int samples,
                     int bits) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    if (!tif) return nullptr;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, height);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    return tif;
}

}  // namespace

void WriteMonoLetterhead(const std::string& path, uint32_t width, uint32_t height) {
    TIFF* tif = OpenLetterhead(path, width, height, 1, 1);
    if (!tif) return;
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    std::vector<unsigned char> row((width + 7) / 8);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x)
            if (y > 4 && y < 20 && x > 8 && x < width / 2)
                row[x / 8] = static_cast<unsigned char>(row[x / 8] | (0x80 >> (x % 8)));
            else
                row[x / 8] = static_cast<unsigned char>(row[x / 8] & ~(0x80 >> (x % 8)));
        TIFFWriteScanline(tif, row.data(), y, 0);
    }
    TIFFClose(tif);
}

void WriteColourLetterhead(const std::string& path, uint32_t width, uint32_t height) {
    TIFF* tif = OpenLetterhead(path, width, height, 3, 8);
    if (!tif) return;
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    std::vector<unsigned char> row(size_t{width} * 3);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const bool block = y > 4 && y < 20 && x > 8 && x < width / 2;
            row[x * 3] = block ? 20 : 255;
            row[x * 3 + 1] = block ? 40 : 255;
            row[x * 3 + 2] = block ? 160 : 255;
        }
        TIFFWriteScanline(tif, row.data(), y, 0);
    }
    TIFFClose(tif);
}

}  // namespace aro::soak
