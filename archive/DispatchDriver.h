// Calls into an automation server: create by ProgID, look members up by
// name, invoke them with positional typed arguments, release.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace aro {

// DISP_E_UNKNOWNNAME, raised for a member the server does not know.
constexpr long kUnknownMemberError = static_cast<long>(0x80020006L);

// A member as looked up: its dispatch identifier, or unknown to the server.
struct DispatchMember {
    int32_t id = 0;
    bool known = false;
    std::string name;
};

class DispatchDriver {
public:
    DispatchDriver() = default;
    ~DispatchDriver() { Release(); }
    DispatchDriver(const DispatchDriver&) = delete;
    DispatchDriver& operator=(const DispatchDriver&) = delete;

    // False when no server object could be obtained.
    bool Create(const char* progId);
    // Never raises: a member the server does not know fails when it is
    // invoked, so that whatever the caller does in between still happens.
    DispatchMember LookUp(const char* member);
    // Raises AutomationServerException or AutomationError; an unknown member
    // raises an AutomationError rather than calling some other member.
    AutomationValue Invoke(const DispatchMember& member, uint16_t kind,
                           const std::vector<AutomationValue>& arguments,
                           AutomationValue::Type resultType);
    // Calls a member looked up by name.
    AutomationValue Call(const char* member, uint16_t kind,
                         const std::vector<AutomationValue>& arguments,
                         AutomationValue::Type resultType);
    void Release() { m_server.reset(); }

private:
    std::unique_ptr<AutomationObject> m_server;
};

}  // namespace aro
