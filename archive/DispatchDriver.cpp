#include "archive/DispatchDriver.h"

namespace aro {

bool DispatchDriver::Create(const char* progId) {
    m_pServer = GetPlatform().CreateAutomationObject(progId);
    return m_pServer != nullptr;
}

DispatchMember DispatchDriver::LookUp(const char* member) {
    DispatchMember found;
    found.name = member ? member : "";
    found.known = m_pServer && m_pServer->LookUp(member, &found.id);
    return found;
}

AutomationValue DispatchDriver::Invoke(const DispatchMember& member, uint16_t kind,
                                       const std::vector<AutomationValue>& arguments,
                                       AutomationValue::Type resultType) {
    if (!m_pServer) throw AutomationError(kUnknownMemberError, "no server object");
    if (!member.known) throw AutomationError(kUnknownMemberError, "unknown member " + member.name);
    return m_pServer->Invoke(member.id, kind, arguments, resultType);
}

AutomationValue DispatchDriver::Call(const char* member, uint16_t kind,
                                     const std::vector<AutomationValue>& arguments,
                                     AutomationValue::Type resultType) {
    return Invoke(LookUp(member), kind, arguments, resultType);
}

}  // namespace aro
