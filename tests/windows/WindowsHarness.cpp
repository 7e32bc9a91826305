#include "WindowsHarness.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "EnvironmentBlock.h"
#include "RegistryAccess.h"

namespace aro::wtest {

namespace {

// A job that outlives this has hung, most likely in a message box that
// was not diverted.
constexpr DWORD kJobTimeoutMilliseconds = 120000;
constexpr DWORD kJobTimedOut = 124;

std::string NewSandboxFolder() {
    char temp[MAX_PATH];
    char name[MAX_PATH];
    if (!GetTempPathA(MAX_PATH, temp) || !GetTempFileNameA(temp, "aro", 0, name))
        throw std::runtime_error("no temporary folder");
    // The unique file name becomes a folder of that name.
    DeleteFileA(name);
    if (!CreateDirectoryA(name, nullptr)) throw std::runtime_error("cannot create sandbox");
    return name;
}

void RemoveTree(const std::string& path) {
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = entry.cFileName;
            if (name == "." || name == "..") continue;
            const std::string child = path + "\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                DeleteFileA(child.c_str());
        } while (FindNextFileA(search, &entry));
        FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
}

void ClearModuleSettings() {
    DeleteRegistryTree(HKEY_CURRENT_USER, kModuleTree);
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, kModuleTree);
}

HMODULE LoadArchiveServer() {
    HMODULE server = LoadLibraryA((ProgramFolder() + "\\AroTestArchiveServer.dll").c_str());
    if (server == nullptr) throw std::runtime_error("cannot load AroTestArchiveServer.dll");
    return server;
}

void CallServerExport(const char* name) {
    HMODULE server = LoadArchiveServer();
    auto call = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
        reinterpret_cast<void*>(GetProcAddress(server, name)));
    const HRESULT result = call ? call() : E_FAIL;
    FreeLibrary(server);
    if (FAILED(result)) throw std::runtime_error(std::string(name) + " failed");
}

// One argument as the C runtime's command-line parser reads it back: as it
// is when it holds no blank, tab or quote, else in quotes with backslashes
// doubled where they precede a quote.
std::string QuoteArgument(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos)
        return argument;
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (const char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, '\\');
    quoted += '"';
    return quoted;
}

std::string CommandLine(const std::string& program, const char* job, const std::string& sandbox,
                        const std::vector<std::string>& arguments) {
    std::string line =
        QuoteArgument(program) + " --aro-job " + QuoteArgument(job) + " " + QuoteArgument(sandbox);
    for (const auto& argument : arguments) line += " " + QuoteArgument(argument);
    return line;
}

DWORD RunProcess(const std::string& program, std::string commandLine, const std::string& folder,
                 const std::vector<std::string>& environment) {
    std::string block = EnvironmentWith(environment);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                        block.data(), folder.c_str(), &startup, &process))
        throw std::runtime_error("cannot start the job process");
    CloseHandle(process.hThread);
    DWORD exitCode = kJobTimedOut;
    if (WaitForSingleObject(process.hProcess, kJobTimeoutMilliseconds) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &exitCode);
    else
        TerminateProcess(process.hProcess, kJobTimedOut);
    CloseHandle(process.hProcess);
    return exitCode;
}

}  // namespace

Sandbox::Sandbox() : m_root(NewSandboxFolder()) {
    CreateDirectoryA((m_root + "\\tmp").c_str(), nullptr);
    CreateDirectoryA(outDir().c_str(), nullptr);
    ClearModuleSettings();
    UnregisterArchiveServer();
}

Sandbox::~Sandbox() {
    ClearModuleSettings();
    RemoveTree(m_root);
}

void Sandbox::UseSettings(const Settings& values) const {
    SetRegistryString(HKEY_CURRENT_USER, kMainKey, "AlternateKey", kOutputKey);
    for (const auto& [name, value] : values)
        SetRegistryString(HKEY_CURRENT_USER, kMainKey, name.c_str(), value);
    SetRegistryString(HKEY_CURRENT_USER, kOutputKey, "Dovurezazuv", outDir());
}

JobResult Sandbox::Run(const char* job, const std::vector<std::string>& arguments,
                       const std::vector<std::string>& extraEnvironment) const {
    const std::string outputs = m_root + "\\outputs.txt";
    const std::string messages = m_root + "\\messages.txt";
    const std::string serverRecord = m_root + "\\server.txt";
    for (const auto& file : {outputs, messages, serverRecord}) DeleteFileA(file.c_str());
    std::vector<std::string> environment = {"TEMP=" + tempDir(), "TMP=" + tempDir(),
                                            "ARO_PRINTER_MESSAGE_LOG=" + messages,
                                            "ARO_TEST_SERVER_RECORD=" + serverRecord};
    environment.insert(environment.end(), extraEnvironment.begin(), extraEnvironment.end());
    char program[MAX_PATH];
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    JobResult result;
    result.exitCode =
        RunProcess(program, CommandLine(program, job, m_root, arguments), m_root, environment);
    result.outputs = Lines(ReadFile(outputs));
    result.messages = ReadFile(messages);
    result.serverCalls = Lines(ReadFile(serverRecord));
    return result;
}

std::vector<std::string> Sandbox::Files(const std::string& folder,
                                        const std::string& suffix) const {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string name = entry.cFileName;
        if (name.size() >= suffix.size() &&
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0 &&
            !(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(name);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

RegisteredArchiveServer::RegisteredArchiveServer() {
    CallServerExport("DllRegisterServer");
}

RegisteredArchiveServer::~RegisteredArchiveServer() {
    UnregisterArchiveServer();
}

void UnregisterArchiveServer() {
    CallServerExport("DllUnregisterServer");
}

std::string ProgramFolder() {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\'));
}

std::string ModulePath() {
    return ProgramFolder() + "\\AroPrinterCfg.dll";
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

}  // namespace aro::wtest
