#include "archive/DispatchDriver.h"

namespace aro {

bool DispatchDriver::Create(const char* progId) {
    m_server = GetPlatform().CreateAutomationObject(progId);
    return m_server != nullptr;
}

DispatchMember DispatchDriver::LookUp(const char* member) {
    DispatchMember found;
    found.name = member ? member : "";
    found.known = m_server && m_server->LookUp(member, &found.id);
    return found;
}

AutomationValue DispatchDriver::Invoke(const DispatchMember& member, uint16_t kind,
                                       const std::vector<AutomationValue>& arguments,
                                       AutomationValue::Type resultType) {
    if (!m_server) throw AutomationError(kUnknownMemberError, "no server object");
    if (!member.known) throw AutomationError(kUnknownMemberError, "unknown member " + member.name);
    return m_server->Invoke(member.id, kind, arguments, resultType);
}

AutomationValue DispatchDriver::Call(const char* member, uint16_t kind,
                                     const std::vector<AutomationValue>& arguments,
                                     AutomationValue::Type resultType) {
    return Invoke(LookUp(member), kind, arguments, resultType);
}

}  // namespace aro
