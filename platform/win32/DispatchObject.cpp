#include "platform/win32/DispatchObject.h"

#include "platform/win32/ComText.h"
#include "platform/win32/Variants.h"

namespace aro::win32 {

DispatchObject::~DispatchObject() {
    m_dispatch->Release();
}

bool DispatchObject::LookUp(const char* member, int32_t* dispatchId) {
    if (member == nullptr || dispatchId == nullptr) return false;
    ScopedBstr name(member);
    LPOLESTR names[] = {name.get()};
    DISPID identifier = 0;
    const HRESULT found =
        m_dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &identifier);
    *dispatchId = identifier;
    return SUCCEEDED(found);
}

AutomationValue DispatchObject::Invoke(int32_t dispatchId, uint16_t kind,
                                       const std::vector<AutomationValue>& arguments,
                                       AutomationValue::Type resultType) {
    DispatchArguments parameters(arguments);
    VARIANT result;
    VariantInit(&result);
    EXCEPINFO exception{};
    UINT badArgument = 0;
    const HRESULT invoked = m_dispatch->Invoke(
        dispatchId, IID_NULL, 0, kind, parameters.parameters(), &result, &exception, &badArgument);
    if (invoked == DISP_E_EXCEPTION) {
        VariantClear(&result);
        throw ServerException(&exception);
    }
    if (FAILED(invoked)) {
        VariantClear(&result);
        throw AutomationError(invoked);
    }
    return ConvertResult(&result, resultType);
}

}  // namespace aro::win32
