#include "platform/win32/ComAutomation.h"

#include "platform/win32/ComText.h"
#include "platform/win32/DispatchObject.h"
#include "platform/win32/WindowsApi.h"

namespace aro::win32 {

namespace {

constexpr DWORD kAnyServer =
    CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;
constexpr DWORD kLocalServers = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER;

bool ClassIdOf(const char* progId, CLSID* classId) {
    const std::wstring wide = WidenAnsi(progId);
    if (wide.empty()) return false;
    const HRESULT found = progId[0] == '{' ? CLSIDFromString(wide.c_str(), classId)
                                           : CLSIDFromProgID(wide.c_str(), classId);
    return SUCCEEDED(found);
}

IUnknown* CreateInstance(const CLSID& classId) {
    IUnknown* object = nullptr;
    HRESULT created = CoCreateInstance(classId, nullptr, kAnyServer, IID_IUnknown,
                                       reinterpret_cast<void**>(&object));
    // Systems without remote activation refuse the whole context set.
    if (created == E_INVALIDARG)
        created = CoCreateInstance(classId, nullptr, kLocalServers, IID_IUnknown,
                                   reinterpret_cast<void**>(&object));
    return SUCCEEDED(created) ? object : nullptr;
}

IDispatch* RunAndGetDispatch(IUnknown* object) {
    IDispatch* dispatch = nullptr;
    if (SUCCEEDED(OleRun(object)) &&
        FAILED(object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch))))
        dispatch = nullptr;
    object->Release();
    return dispatch;
}

}  // namespace

std::unique_ptr<AutomationObject> CreateComAutomationObject(const char* progId) {
    CoInitialize(nullptr);
    if (progId == nullptr) return nullptr;
    CLSID classId;
    if (!ClassIdOf(progId, &classId)) return nullptr;
    IUnknown* object = CreateInstance(classId);
    if (object == nullptr) return nullptr;
    IDispatch* dispatch = RunAndGetDispatch(object);
    if (dispatch == nullptr) return nullptr;
    return std::make_unique<DispatchObject>(dispatch);
}

}  // namespace aro::win32
