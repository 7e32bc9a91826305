#include "BenchSandbox.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

namespace aro::bench {

namespace {

void RemoveFilesIn(const std::string& folder) {
    DIR* dir = opendir(folder.c_str());
    if (!dir) return;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") unlink((folder + "/" + name).c_str());
    }
    closedir(dir);
}

std::string Escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out;
}

}  // namespace

BenchSandbox::BenchSandbox(const std::string& root) : m_root(root) {
    mkdir(m_root.c_str(), 0755);
    for (const char* sub : {"/out", "/tmp", "/system"}) mkdir((m_root + sub).c_str(), 0755);
}

BenchSandbox::~BenchSandbox() {
    for (const char* sub : {"/out", "/tmp", "/system"}) {
        RemoveFilesIn(m_root + sub);
        rmdir((m_root + sub).c_str());
    }
    RemoveFilesIn(m_root);
    rmdir(m_root.c_str());
}

std::string BenchSandbox::WriteHive(
    const std::string& name, const std::vector<std::pair<std::string, std::string>>& values) const {
    const std::string path = m_root + "/" + name;
    std::ofstream hive(path, std::ios::binary);
    hive << "Windows Registry Editor Version 5.00\n\n"
         << "[HKEY_CURRENT_USER\\Software\\ARO Digital\\Dovurezazuv]\n"
         << "\"AlternateKey\"=\"Software\\\\Bench\\\\Out\"\n";
    for (const auto& [value, text] : values)
        hive << "\"" << value << "\"=\"" << Escaped(text) << "\"\n";
    hive << "\n[HKEY_CURRENT_USER\\Software\\Bench\\Out]\n"
         << "\"Dovurezazuv\"=\"" << Escaped(outDir()) << "\"\n";
    return path;
}

void BenchSandbox::UseHive(const std::string& hivePath) const {
    setenv("ARO_PRINTER_HKCU", hivePath.c_str(), 1);
    setenv("ARO_PRINTER_HKLM", (m_root + "/machine.reg").c_str(), 1);
    setenv("TMPDIR", (m_root + "/tmp/").c_str(), 1);
    setenv("ARO_PRINTER_SYSTEM_DIR", (m_root + "/system").c_str(), 1);
}

void BenchSandbox::ClearOutput() const {
    RemoveFilesIn(outDir());
}

}  // namespace aro::bench
