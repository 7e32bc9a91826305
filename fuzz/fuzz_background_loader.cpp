// Fuzzes the background loader with arbitrary files and lays every image it
// accepts under small page bands.
#include <dirent.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/BackgroundBitmap.h"
#include "imaging/BackgroundLoader.h"
#include "imaging/BackgroundMerge.h"
#include "platform/Platform.h"

namespace {

// Just what the loader uses: a private temporary folder with real files, and
// an allocator that refuses images too large to be worth decoding here.
class FuzzPlatform : public aro::Platform {
public:
    explicit FuzzPlatform(std::string folder) : m_folder(std::move(folder) + "/") {}

    uint32_t GetTempPath(char* buffer, uint32_t capacity) override {
        if (m_folder.size() + 1 > capacity) return static_cast<uint32_t>(m_folder.size() + 1);
        std::memcpy(buffer, m_folder.c_str(), m_folder.size() + 1);
        return static_cast<uint32_t>(m_folder.size());
    }
    bool CreateTempFile(const char* folder, const char* prefix, char* name,
                        uint32_t capacity) override {
        std::string pattern = std::string(folder) + prefix + "XXXXXX";
        if (pattern.size() + 1 > capacity) return false;
        std::memcpy(name, pattern.c_str(), pattern.size() + 1);
        const int fd = mkstemp(name);
        if (fd < 0) return false;
        close(fd);
        return true;
    }
    bool CopyFileTo(const char* source, const char* target, bool failIfExists) override {
        if (failIfExists && access(target, F_OK) == 0) return false;
        std::FILE* in = std::fopen(source, "rb");
        if (!in) return false;
        std::FILE* out = std::fopen(target, "wb");
        bool ok = out != nullptr;
        char chunk[4096];
        for (size_t n; ok && (n = std::fread(chunk, 1, sizeof chunk, in)) > 0;)
            ok = std::fwrite(chunk, 1, n, out) == n;
        std::fclose(in);
        if (out) ok = std::fclose(out) == 0 && ok;
        return ok;
    }
    bool RemoveFile(const char* path) override { return unlink(path) == 0; }
    void* AllocateZeroed(std::size_t bytes) override {
        return bytes > kMaxBlockBytes ? nullptr : std::calloc(1, bytes);
    }
    void Free(void* block) override { std::free(block); }

    bool QueryValue(aro::Hive, const char*, const char*, unsigned char*, uint32_t*) override {
        return false;
    }
    bool SetStringValue(aro::Hive, const char*, const char*, const char*) override { return false; }
    void ShowMessage(const char*, const char*, unsigned) override {}
    uint32_t ExpandEnvironment(const char*, char*, uint32_t) override { return 0; }
    uint32_t GetLongPath(const char*, char*, uint32_t) override { return 0; }
    bool PathExists(const char* path) override { return access(path, F_OK) == 0; }
    bool CreateFolder(const char*) override { return false; }
    bool WriteProfileString(const char*, const char*, const char*, const char*) override {
        return false;
    }
    bool CreateNewFile(const char*) override { return false; }
    std::size_t CharacterBoundaryAtOrBefore(const char*, std::size_t length) override {
        return length;
    }
    bool GetUserName(char*, uint32_t*) override { return false; }
    uint32_t GetSystemDirectory(char*, uint32_t) override { return 0; }
    bool ReadFileVersion(const char*, uint16_t*) override { return false; }
    aro::LocalTime GetLocalTime() override { return {}; }
    void StartProgram(const char*, const char*, bool) override {}
    void ShellOpen(const char*) override {}
    std::FILE* OpenLogFile(const char*) override { return nullptr; }
    std::unique_ptr<aro::AutomationObject> CreateAutomationObject(const char*) override {
        return nullptr;
    }

private:
    static constexpr std::size_t kMaxBlockBytes = std::size_t{16} << 20;
    std::string m_folder;
};

struct FuzzSetup {
    FuzzSetup() {
        char pattern[] = "/tmp/aro-fuzz-background-XXXXXX";
        if (!mkdtemp(pattern)) abort();
        folder = pattern;
        input = folder + "/input.tif";
        platform = new FuzzPlatform(folder);
        aro::SetPlatform(platform);
    }
    ~FuzzSetup() {
        unlink(input.c_str());
        rmdir(folder.c_str());
    }
    std::string folder;
    std::string input;
    FuzzPlatform* platform;
};

FuzzSetup& Setup() {
    static FuzzSetup setup;
    return setup;
}

// Bands at the top of the page and reaching below the image's last row.
void MergeIntoBands(aro::BackgroundBitmap& background) {
    const int bits = background.GetBitCount();
    const uint32_t widths[] = {1, 61, 200};
    const uint32_t firstRows[] = {0, background.GetHeight() > 4 ? background.GetHeight() - 4 : 0};
    for (uint32_t width : widths) {
        const uint32_t stride = bits == 1 ? (width + 31) / 32 * 4 : (width * 3 + 3) / 4 * 4;
        for (uint32_t firstRow : firstRows) {
            std::vector<unsigned char> band(std::size_t{stride} * 8, 0xA5);
            aro::MergeBackground(&background, band.data(), 8, width, firstRow, bits);
        }
    }
}

// Only the input may be left in the folder: every repaired copy is deleted.
bool OnlyInputLeft(const std::string& folder) {
    DIR* dir = opendir(folder.c_str());
    if (!dir) return false;
    bool only = true;
    while (dirent* entry = readdir(dir))
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0 &&
            std::strcmp(entry->d_name, "input.tif") != 0)
            only = false;
    closedir(dir);
    return only;
}

bool WriteInput(const std::string& path, const uint8_t* data, size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzSetup& setup = Setup();
    if (!WriteInput(setup.input, data, size)) return 0;
    aro::BackgroundBitmap background;
    background.Reset();
    const uint32_t directory = size > 0 ? data[size - 1] % 3 : 1;
    if (aro::LoadTiffImage(setup.input.c_str(), &background, directory) == 1 &&
        (background.GetBitCount() == 1 || background.GetBitCount() == 24))
        MergeIntoBands(background);
    background.FreeDib();
    if (!OnlyInputLeft(setup.folder)) __builtin_trap();
    return 0;
}
