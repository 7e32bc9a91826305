#include "archive/DispatchDriver.h"

namespace aro {

bool DispatchDriver::Create(const char* progId) {
    m_pServer = GetPlatform().CreateAutomationObject(progId);
    return m_pServer != nullptr;
}

int32_t DispatchDriver::LookUp(const char* member) {
    if (!m_pServer) throw AutomationError(kUnknownMemberError, "no server object");
    int32_t dispatchId = 0;
    if (!m_pServer->LookUp(member, &dispatchId))
        throw AutomationError(kUnknownMemberError, std::string("unknown member ") + member);
    return dispatchId;
}

AutomationValue DispatchDriver::Invoke(int32_t dispatchId, uint16_t kind,
                                       const std::vector<AutomationValue>& arguments,
                                       AutomationValue::Type resultType) {
    if (!m_pServer) throw AutomationError(kUnknownMemberError, "no server object");
    return m_pServer->Invoke(dispatchId, kind, arguments, resultType);
}

AutomationValue DispatchDriver::Call(const char* member, uint16_t kind,
                                     const std::vector<AutomationValue>& arguments,
                                     AutomationValue::Type resultType) {
    return Invoke(LookUp(member), kind, arguments, resultType);
}

}  // namespace aro
