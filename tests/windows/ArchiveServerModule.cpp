// The test automation server's DLL entry points: the class factory and the
// per-user registration of both ProgIDs.
#include <windows.h>

#include <olectl.h>

#include <string>

#include "ArchiveServerObject.h"
#include "TestArchiveServer.h"

namespace aro::wtest {

namespace {

LONG g_locks = 0;
HMODULE g_module = nullptr;

class ClassFactory : public IClassFactory {
public:
    explicit ClassFactory(const char* client) : m_client(client) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
            *object = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    // The factories are static objects.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        if (outer != nullptr) return CLASS_E_NOAGGREGATION;
        auto* created = new ArchiveServerObject(m_client);
        const HRESULT found = created->QueryInterface(iid, object);
        created->Release();
        return found;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock)
            InterlockedIncrement(&g_locks);
        else
            InterlockedDecrement(&g_locks);
        return S_OK;
    }

private:
    const char* m_client;
};

ClassFactory g_classicFactory("classic");
ClassFactory g_javaFactory("java");

std::string ClassIdText(const CLSID& classId) {
    wchar_t wide[64];
    StringFromGUID2(classId, wide, 64);
    std::string text;
    for (const wchar_t* c = wide; *c; ++c) text += static_cast<char>(*c);
    return text;
}

bool SetDefault(HKEY root, const std::string& key, const char* name, const std::string& value) {
    HKEY handle = nullptr;
    if (RegCreateKeyA(root, key.c_str(), &handle) != ERROR_SUCCESS) return false;
    const LONG stored =
        RegSetValueExA(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1));
    RegCloseKey(handle);
    return stored == ERROR_SUCCESS;
}

bool Register(HKEY root, const char* progId, const CLSID& classId, const std::string& modulePath) {
    const std::string id = ClassIdText(classId);
    const std::string classes = "Software\\Classes\\";
    const std::string server = classes + "CLSID\\" + id;
    return SetDefault(root, classes + progId + "\\CLSID", nullptr, id) &&
           SetDefault(root, server, nullptr, std::string("Test stand-in for ") + progId) &&
           SetDefault(root, server + "\\ProgID", nullptr, progId) &&
           SetDefault(root, server + "\\InprocServer32", nullptr, modulePath) &&
           SetDefault(root, server + "\\InprocServer32", "ThreadingModel", "Apartment");
}

bool RegisterBoth(HKEY root, const std::string& modulePath) {
    return Register(root, kClassicProgId, kClassicClassId, modulePath) &&
           Register(root, kJavaProgId, kJavaClassId, modulePath);
}

void Unregister(HKEY root, const char* progId, const CLSID& classId) {
    const std::string classes = "Software\\Classes\\";
    RegDeleteTreeA(root, (classes + progId).c_str());
    RegDeleteKeyA(root, (classes + progId).c_str());
    const std::string server = classes + "CLSID\\" + ClassIdText(classId);
    RegDeleteTreeA(root, server.c_str());
    RegDeleteKeyA(root, server.c_str());
}

// Windows merges the user's classes into HKEY_CLASSES_ROOT; Wine (8.0)
// shows the machine's only.
bool ClassesRootShowsUserClasses() {
    HKEY handle = nullptr;
    if (RegOpenKeyA(HKEY_CLASSES_ROOT, kClassicProgId, &handle) != ERROR_SUCCESS) return false;
    RegCloseKey(handle);
    return true;
}

}  // namespace

}  // namespace aro::wtest

using namespace aro::wtest;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) g_module = instance;
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID classId, REFIID iid, void** object) {
    if (IsEqualCLSID(classId, kClassicClassId)) return g_classicFactory.QueryInterface(iid, object);
    if (IsEqualCLSID(classId, kJavaClassId)) return g_javaFactory.QueryInterface(iid, object);
    if (object) *object = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return LiveServerObjects() == 0 && g_locks == 0 ? S_OK : S_FALSE;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(g_module, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return SELFREG_E_CLASS;
    // Per user, as an installation without administrator rights does it;
    // machine-wide as well where COM would not see that.
    if (!RegisterBoth(HKEY_CURRENT_USER, path)) return SELFREG_E_CLASS;
    if (!ClassesRootShowsUserClasses() && !RegisterBoth(HKEY_LOCAL_MACHINE, path))
        return SELFREG_E_CLASS;
    return S_OK;
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        Unregister(root, kClassicProgId, kClassicClassId);
        Unregister(root, kJavaProgId, kJavaClassId);
    }
    return S_OK;
}
