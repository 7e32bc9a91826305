// VARIANT handling for automation calls.
#pragma once

// First: see WindowsApi.h.
#include "platform/win32/WindowsApi.h"

#include <vector>

#include "platform/Platform.h"

namespace aro::win32 {

// The positional arguments of one call as DISPPARAMS wants them: last
// first. VT_BSTR for text, VT_BOOL (VARIANT_TRUE or VARIANT_FALSE) for a
// truth value, VT_I4 for a number. Cleared at the end of its scope.
class DispatchArguments {
public:
    explicit DispatchArguments(const std::vector<AutomationValue>& arguments);
    ~DispatchArguments();
    DispatchArguments(const DispatchArguments&) = delete;
    DispatchArguments& operator=(const DispatchArguments&) = delete;
    DISPPARAMS* parameters() { return &m_parameters; }

private:
    std::vector<VARIANTARG> m_values;
    DISPPARAMS m_parameters{};
};

// The result converted in place with VariantChangeType to the type asked
// for (a BSTR becomes an ANSI string) and cleared. Raises AutomationError
// when it cannot be converted.
AutomationValue ConvertResult(VARIANT* result, AutomationValue::Type type);

// The server's exception from its EXCEPINFO (deferred filling done first);
// the EXCEPINFO's strings are freed.
AutomationServerException ServerException(EXCEPINFO* info);

}  // namespace aro::win32
