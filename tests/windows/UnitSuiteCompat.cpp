// The suite force-includes UnitSuiteCompat.h, this file as well: its
// renaming macros go, so that the runtime's own popen and system are
// reachable here.
#undef popen
#undef pclose
#undef system

#include <direct.h>
#include <fcntl.h>
#include <windows.h>

#include "UnitSuiteCompat.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr char kNameCharacters[] = "abcdefghijklmnopqrstuvwxyz0123456789";

std::mutex g_listingsLock;
std::set<FILE*> g_listings;  // streams aro_compat_popen made itself

// The text between the first pair of single quotes, if the command starts
// with the verb.
bool QuotedOperand(const char* command, const char* verb, std::string* operand) {
    const std::size_t verbLength = std::strlen(verb);
    if (std::strncmp(command, verb, verbLength) != 0 || command[verbLength] != ' ') return false;
    const char* open = std::strchr(command, '\'');
    const char* close = open ? std::strchr(open + 1, '\'') : nullptr;
    if (close == nullptr) return false;
    operand->assign(open + 1, close);
    return true;
}

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string name = entry.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

bool RemoveTree(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return DeleteFileA(path.c_str());
    bool removed = true;
    for (const auto& name : FolderEntries(path))
        removed = RemoveTree(path + "\\" + name) && removed;
    return RemoveDirectoryA(path.c_str()) && removed;
}

// A stream holding one name a line, read back like ls's output; the file
// goes when the stream is closed.
FILE* ListingStream(const std::string& folder) {
    char tempFolder[MAX_PATH];
    char name[MAX_PATH];
    if (!GetTempPathA(MAX_PATH, tempFolder) || !GetTempFileNameA(tempFolder, "ls", 0, name))
        return nullptr;
    FILE* stream = std::fopen(name, "w+bD");
    if (stream == nullptr) return nullptr;
    for (const auto& entry : FolderEntries(folder)) std::fprintf(stream, "%s\n", entry.c_str());
    std::rewind(stream);
    std::lock_guard<std::mutex> lock(g_listingsLock);
    g_listings.insert(stream);
    return stream;
}

// The suite writes files with fopen("w") and compares them byte for byte
// with texts that end their lines in "\n" alone, as on POSIX.
const int g_binaryByDefault = (_fmode = _O_BINARY);

}  // namespace

char* mkdtemp(char* pattern) {
    const std::size_t length = pattern ? std::strlen(pattern) : 0;
    if (length < 6 || std::strcmp(pattern + length - 6, "XXXXXX") != 0) {
        errno = EINVAL;
        return nullptr;
    }
    static unsigned long long state =
        GetTickCount64() ^ (GetCurrentProcessId() * 0x9E3779B97F4A7C15ull);
    for (int attempt = 0; attempt < 1000; ++attempt) {
        for (std::size_t i = length - 6; i < length; ++i) {
            state = state * 6364136223846793005ull + 1442695040888963407ull;
            pattern[i] = kNameCharacters[(state >> 33) % (sizeof kNameCharacters - 1)];
        }
        if (_mkdir(pattern) == 0) return pattern;
        if (errno != EEXIST) return nullptr;
    }
    return nullptr;
}

FILE* aro_compat_popen(const char* command, const char* mode) {
    std::string folder;
    if (command && QuotedOperand(command, "ls", &folder)) return ListingStream(folder);
    return _popen(command, mode);
}

int aro_compat_pclose(FILE* stream) {
    {
        std::lock_guard<std::mutex> lock(g_listingsLock);
        if (g_listings.erase(stream) == 1) return std::fclose(stream);
    }
    return _pclose(stream);
}

int aro_compat_system(const char* command) {
    std::string path;
    if (command && QuotedOperand(command, "rm -rf", &path)) return RemoveTree(path) ? 0 : 1;
    return std::system(command);
}
