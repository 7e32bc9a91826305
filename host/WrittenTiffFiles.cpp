#include "WrittenTiffFiles.h"

#include <fcntl.h>
#include <tiffio.h>

#include <cstdarg>

namespace aro::host {

namespace {

std::vector<std::string> s_names;
TIFFExtendProc s_previous = nullptr;

void NoteFile(TIFF* tiff) {
    if (s_previous) s_previous(tiff);
    if ((TIFFGetMode(tiff) & O_ACCMODE) == O_RDONLY) return;
    const char* name = TIFFFileName(tiff);
    // Every page of a file sets up a directory: the module writes its files
    // one after the other, so a name seen again is the last one.
    if (!name || (!s_names.empty() && s_names.back() == name)) return;
    s_names.emplace_back(name);
}

void Quiet(const char*, const char*, va_list) {}

}  // namespace

WrittenTiffFiles::WrittenTiffFiles() {
    s_names.clear();
    s_previous = TIFFSetTagExtender(&NoteFile);
}

WrittenTiffFiles::~WrittenTiffFiles() {
    TIFFSetTagExtender(s_previous);
    s_previous = nullptr;
}

const std::vector<std::string>& WrittenTiffFiles::names() const {
    return s_names;
}

unsigned CountTiffPages(const std::string& path) {
    TIFFErrorHandler error = TIFFSetErrorHandler(&Quiet);
    TIFFErrorHandler warning = TIFFSetWarningHandler(&Quiet);
    unsigned pages = 0;
    if (TIFF* tiff = TIFFOpen(path.c_str(), "r")) {
        pages = TIFFNumberOfDirectories(tiff);
        TIFFClose(tiff);
    }
    TIFFSetErrorHandler(error);
    TIFFSetWarningHandler(warning);
    return pages;
}

}  // namespace aro::host
