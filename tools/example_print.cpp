// A small stand-in for a printer driver: loads the module, and prints a few
// generated black-and-white pages through it the way a driver does (job
// name, document start, page start, bands from the top, document end).
//
// usage: aro-example-print [--module PATH] [--pages N] [--dpi N] [--job-name NAME]
#include <dlfcn.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "AroPrinterCfg.h"

namespace {

struct Module {
    decltype(&::startDocExit) startDoc;
    decltype(&::startPageExit) startPage;
    decltype(&::endPageExit) endPage;
    decltype(&::endDocExit) endDoc;
    decltype(&::GetPrintFileName) printFileName;
    decltype(&::PrintJobName) jobName;
};

template <typename F>
bool Resolve(void* handle, const char* name, F* target) {
    *target = reinterpret_cast<F>(dlsym(handle, name));
    if (!*target) std::fprintf(stderr, "aro-example-print: %s missing in the module\n", name);
    return *target != nullptr;
}

bool Load(const std::string& path, Module* m) {
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        std::fprintf(stderr, "aro-example-print: cannot load %s: %s\n", path.c_str(), dlerror());
        return false;
    }
    return Resolve(handle, "startDocExit", &m->startDoc) &&
           Resolve(handle, "startPageExit", &m->startPage) &&
           Resolve(handle, "endPageExit", &m->endPage) &&
           Resolve(handle, "endDocExit", &m->endDoc) &&
           Resolve(handle, "GetPrintFileName", &m->printFileName) &&
           Resolve(handle, "PrintJobName", &m->jobName);
}

// A page at 1 bit per pixel, set bit = white: a frame, a title bar, lines
// of "text" and the page number as a row of blocks.
std::vector<unsigned char> DrawPage(uint32_t width, uint32_t height, int number, uint32_t stride) {
    std::vector<unsigned char> page(static_cast<size_t>(stride) * height, 0xFF);
    auto black = [&](uint32_t x, uint32_t y) {
        page[static_cast<size_t>(y) * stride + x / 8] &= static_cast<unsigned char>(~(0x80 >> (x % 8)));
    };
    uint32_t margin = width / 12;
    for (uint32_t y = margin; y < height - margin; ++y)
        for (uint32_t x = margin; x < width - margin; ++x) {
            bool frame = y < margin + 4 || y >= height - margin - 4 || x < margin + 4 ||
                         x >= width - margin - 4;
            bool title = y > margin + 30 && y < margin + 90 && x > margin + 40 && x < width / 2;
            uint32_t line = (y - margin) / 40;
            bool text = line > 3 && (y - margin) % 40 < 18 && x > margin + 40 &&
                        x < width - margin - 40 - (line * 37 % 300) && (x / 23 + line) % 5 != 0;
            bool numberMark = y > height - margin - 80 && y < height - margin - 40 &&
                              x > width / 2 && x < width / 2 + 30u * static_cast<uint32_t>(number) &&
                              (x - width / 2) % 30 < 20;
            if (frame || title || text || numberMark) black(x, y);
        }
    return page;
}

}  // namespace

int main(int argc, char** argv) {
    std::string module = "libAroPrinterCfg.so";
    std::string jobName = "Example letter";
    int pages = 3;
    int dpi = 200;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string option = argv[i];
        if (option == "--module") module = argv[i + 1];
        else if (option == "--pages") pages = std::atoi(argv[i + 1]);
        else if (option == "--dpi") dpi = std::atoi(argv[i + 1]);
        else if (option == "--job-name") jobName = argv[i + 1];
        else {
            std::fprintf(stderr, "usage: %s [--module PATH] [--pages N] [--dpi N] [--job-name NAME]\n", argv[0]);
            return 2;
        }
    }
    if (pages < 1 || dpi < 50 || dpi > 1200) {
        std::fprintf(stderr, "aro-example-print: --pages must be at least 1 and --dpi 50 to 1200\n");
        return 2;
    }
    Module m;
    if (!Load(module, &m)) return 2;

    const uint32_t width = static_cast<uint32_t>(dpi * 8.27);
    const uint32_t height = static_cast<uint32_t>(dpi * 11.69);
    const uint32_t stride = (width + 31) / 32 * 4;
    const uint32_t bandRows = 256;

    m.jobName(jobName.c_str());
    m.startDoc();
    char textFile[ARO_PRINT_FILE_NAME_SIZE];
    m.printFileName(textFile);
    int failures = 0;
    for (int p = 1; p <= pages; ++p) {
        std::vector<unsigned char> page = DrawPage(width, height, p, stride);
        m.startPage();
        for (uint32_t top = 0; top < height; top += bandRows) {
            uint32_t rows = height - top < bandRows ? height - top : bandRows;
            bool last = top + rows >= height;
            int status = m.endPage(page.data() + static_cast<size_t>(top) * stride, rows, width,
                                   1, dpi, last ? 0 : 1);
            if (status < 0) ++failures;
        }
    }
    m.endDoc();
    std::printf("printed %d page(s) of %ux%u at %d dpi; %d band(s) refused%s%s\n", pages, width,
                height, dpi, failures, textFile[0] ? "; text file: " : "", textFile);
    return failures ? 1 : 0;
}
