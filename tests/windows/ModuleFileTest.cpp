// The built AroPrinterCfg.dll as a file: its exports, its imports and its
// version resource.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>

#include "WindowsHarness.h"
#include "platform/win32/FileVersion.h"

namespace aro::wtest {
namespace {

// The module mapped as an image without running it.
class MappedModule {
public:
    MappedModule()
        : m_module(LoadLibraryExA(ModulePath().c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES)) {}
    ~MappedModule() {
        if (m_module) FreeLibrary(m_module);
    }
    bool loaded() const { return m_module != nullptr; }

    template <typename T>
    const T* At(DWORD offset) const {
        return reinterpret_cast<const T*>(reinterpret_cast<const BYTE*>(m_module) + offset);
    }
    const IMAGE_DATA_DIRECTORY& Directory(int index) const {
        const auto* dos = At<IMAGE_DOS_HEADER>(0);
        const auto* nt = At<IMAGE_NT_HEADERS64>(dos->e_lfanew);
        return nt->OptionalHeader.DataDirectory[index];
    }

private:
    HMODULE m_module;
};

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

TEST(ModuleFileTest, ExportsExactlyTheSevenUndecoratedEntryPoints) {
    MappedModule module;
    ASSERT_TRUE(module.loaded());
    const auto& directory = module.Directory(IMAGE_DIRECTORY_ENTRY_EXPORT);
    ASSERT_NE(directory.VirtualAddress, 0u);
    const auto* exports = module.At<IMAGE_EXPORT_DIRECTORY>(directory.VirtualAddress);
    EXPECT_EQ(exports->NumberOfFunctions, 7u);
    const auto* names = module.At<DWORD>(exports->AddressOfNames);
    std::vector<std::string> exported;
    for (DWORD i = 0; i < exports->NumberOfNames; ++i)
        exported.push_back(module.At<char>(names[i]));
    std::sort(exported.begin(), exported.end());
    EXPECT_EQ(exported,
              (std::vector<std::string>{"GetPrintFileName", "PrintJobName", "dlgproc", "endDocExit",
                                        "endPageExit", "startDocExit", "startPageExit"}));
}

TEST(ModuleFileTest, NeedsNothingButSystemLibraries) {
    MappedModule module;
    ASSERT_TRUE(module.loaded());
    const auto& directory = module.Directory(IMAGE_DIRECTORY_ENTRY_IMPORT);
    const std::set<std::string> system = {"kernel32.dll", "advapi32.dll", "user32.dll",
                                          "shell32.dll",  "ole32.dll",    "oleaut32.dll",
                                          "version.dll",  "msvcrt.dll"};
    int count = 0;
    for (const auto* entry = module.At<IMAGE_IMPORT_DESCRIPTOR>(directory.VirtualAddress);
         entry->Name != 0; ++entry, ++count) {
        const std::string name = Lower(module.At<char>(entry->Name));
        EXPECT_TRUE(system.count(name)) << name << " would have to be shipped with the module";
    }
    EXPECT_GT(count, 0);
}

TEST(ModuleFileTest, VersionResourceCarriesTheProjectVersion) {
    uint16_t parts[4] = {};
    ASSERT_TRUE(win32::ReadFileVersionParts(ModulePath().c_str(), parts));
    const uint16_t expected[4] = {ARO_VERSION_PARTS};
    EXPECT_EQ(std::vector<uint16_t>(parts, parts + 4),
              std::vector<uint16_t>(expected, expected + 4));
}

}  // namespace
}  // namespace aro::wtest
