// One automation server object behind its IDispatch interface.
#pragma once

// First: see WindowsApi.h.
#include "platform/win32/WindowsApi.h"

#include "platform/Platform.h"

namespace aro::win32 {

class DispatchObject : public AutomationObject {
public:
    // Takes over the reference; Release is called once, at destruction.
    explicit DispatchObject(IDispatch* dispatch) : m_dispatch(dispatch) {}
    ~DispatchObject() override;
    DispatchObject(const DispatchObject&) = delete;
    DispatchObject& operator=(const DispatchObject&) = delete;

    // GetIDsOfNames(IID_NULL, one name, LOCALE_SYSTEM_DEFAULT). The
    // identifier is 0 when the server does not know the member.
    bool LookUp(const char* member, int32_t* dispatchId) override;
    // Invoke(identifier, IID_NULL, locale 0, kind) with the arguments last
    // first. DISP_E_EXCEPTION raises AutomationServerException from the
    // EXCEPINFO; any other failure, or a result that VariantChangeType
    // cannot convert to the requested type, raises AutomationError.
    AutomationValue Invoke(int32_t dispatchId, uint16_t kind,
                           const std::vector<AutomationValue>& arguments,
                           AutomationValue::Type resultType) override;

private:
    IDispatch* m_dispatch;
};

}  // namespace aro::win32
