#include "ExitModule.h"

#include <dlfcn.h>

namespace aro::host {

namespace {

template <typename Function>
bool Resolve(void* library, const char* name, Function* target, std::string* error) {
    *target = reinterpret_cast<Function>(dlsym(library, name));
    if (!*target) *error = std::string("the module has no entry point ") + name;
    return *target != nullptr;
}

}  // namespace

bool LoadExitModule(const std::string& path, ExitModule* module, std::string* error) {
    // A path without a slash would make dlopen search the library path.
    std::string loadPath = path.find('/') == std::string::npos ? "./" + path : path;
    void* library = dlopen(loadPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* reason = dlerror();
        *error = "cannot load the module: " + std::string(reason ? reason : path);
        return false;
    }
    ExitModule m;
    bool complete = Resolve(library, "startDocExit", &m.startDoc, error) &&
                    Resolve(library, "startPageExit", &m.startPage, error) &&
                    Resolve(library, "endPageExit", &m.endPage, error) &&
                    Resolve(library, "endDocExit", &m.endDoc, error) &&
                    Resolve(library, "GetPrintFileName", &m.printFileName, error) &&
                    Resolve(library, "PrintJobName", &m.jobName, error) &&
                    Resolve(library, "dlgproc", &m.dialog, error);
    if (!complete) {
        dlclose(library);
        return false;
    }
    *module = m;
    return true;
}

}  // namespace aro::host
