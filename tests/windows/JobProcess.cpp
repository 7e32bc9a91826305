// The job process: loads the module like a host and runs one job body.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>

#include "WindowsHarness.h"

namespace aro::wtest {

namespace {

constexpr int kUnknownJob = 93;
constexpr int kModuleNotLoaded = 91;
constexpr int kExportMissing = 90;

std::map<std::string, JobBody>& Jobs() {
    static std::map<std::string, JobBody> jobs;
    return jobs;
}

template <typename F>
bool Resolve(HMODULE module, const char* name, F* target) {
    *target = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    if (*target == nullptr) std::fprintf(stderr, "missing export %s\n", name);
    return *target != nullptr;
}

bool ResolveAll(HMODULE module, Module* m) {
    return Resolve(module, "startDocExit", &m->startDoc) &&
           Resolve(module, "startPageExit", &m->startPage) &&
           Resolve(module, "endPageExit", &m->endPage) &&
           Resolve(module, "endDocExit", &m->endDoc) &&
           Resolve(module, "GetPrintFileName", &m->printFileName) &&
           Resolve(module, "PrintJobName", &m->jobName) && Resolve(module, "dlgproc", &m->dialog);
}

}  // namespace

bool RegisterJob(const char* name, JobBody body) {
    return Jobs().emplace(name, body).second;
}

JobBody FindJob(const std::string& name) {
    auto found = Jobs().find(name);
    return found == Jobs().end() ? nullptr : found->second;
}

bool IsJobCommandLine(int argc, char** argv) {
    return argc >= 4 && std::string(argv[1]) == "--aro-job";
}

int RunJobProcess(int argc, char** argv) {
    JobBody body = FindJob(argv[2]);
    if (body == nullptr) return kUnknownJob;
    const std::string sandbox = argv[3];
    Job job;
    job.arguments.assign(argv + 4, argv + argc);

    // ARO_TEST_MODULE names another copy of the module, e.g. an installed one.
    const char* chosen = std::getenv("ARO_TEST_MODULE");
    HMODULE module = LoadLibraryA(chosen != nullptr ? chosen : ModulePath().c_str());
    if (module == nullptr) return kModuleNotLoaded;
    Module m{};
    if (!ResolveAll(module, &m)) return kExportMissing;
    body(m, job);
    FreeLibrary(module);

    std::ofstream outputs(sandbox + "\\outputs.txt", std::ios::binary);
    for (const auto& line : job.outputs) outputs << line << "\n";
    return 0;
}

}  // namespace aro::wtest
