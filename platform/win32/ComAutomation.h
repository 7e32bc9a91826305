// Automation servers through COM.
#pragma once

#include <memory>

#include "platform/Platform.h"

namespace aro::win32 {

// CoInitialize on the calling thread (never undone), the class id from the
// ProgID (CLSIDFromString for a text in braces), CoCreateInstance for
// IUnknown with CLSCTX_INPROC_SERVER | INPROC_HANDLER | LOCAL_SERVER |
// REMOTE_SERVER, once more without REMOTE_SERVER when that gives
// E_INVALIDARG, OleRun, QueryInterface for IDispatch. Null when any step
// fails.
std::unique_ptr<AutomationObject> CreateComAutomationObject(const char* progId);

}  // namespace aro::win32
