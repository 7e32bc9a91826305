// Automation servers on POSIX: D-Bus services on the session bus, reached
// through sd-bus. ProgID "A.B" is bus name "A.B", object path "/A/B" and
// interface "A.B".
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/Platform.h"

namespace aro::posix {

struct DbusAddress {
    std::string busName;
    std::string objectPath;
    std::string interface;
};

// The D-Bus address a ProgID stands for; empty when the ProgID cannot be a
// bus name, object path and interface at once (each dot-separated element
// must be [A-Za-z_][A-Za-z0-9_]*, and there must be at least two).
std::optional<DbusAddress> DbusAddressForProgId(const char* progId);

// A server object bound to the process that owns the ProgID's bus name at
// creation time (started by bus activation when nobody owns it), over a
// connection of its own that is closed when the object is destroyed. Null
// when there is no session bus, the name is unknown or activation failed.
std::unique_ptr<AutomationObject> CreateDbusAutomationObject(const char* progId);

}  // namespace aro::posix
