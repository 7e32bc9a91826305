#include "platform/win32/Variants.h"

#include "platform/win32/ComText.h"

namespace aro::win32 {

namespace {

VARIANTARG ToVariant(const AutomationValue& value) {
    VARIANTARG variant;
    VariantInit(&variant);
    switch (value.type) {
        case AutomationValue::Type::String:
            variant.vt = VT_BSTR;
            variant.bstrVal = ScopedBstr(value.text.c_str()).release();
            break;
        case AutomationValue::Type::Bool:
            variant.vt = VT_BOOL;
            variant.boolVal = value.flag ? VARIANT_TRUE : VARIANT_FALSE;
            break;
        case AutomationValue::Type::Int:
            variant.vt = VT_I4;
            variant.lVal = value.number;
            break;
        case AutomationValue::Type::Empty:
            break;
    }
    return variant;
}

VARTYPE VariantTypeOf(AutomationValue::Type type) {
    switch (type) {
        case AutomationValue::Type::String:
            return VT_BSTR;
        case AutomationValue::Type::Bool:
            return VT_BOOL;
        case AutomationValue::Type::Int:
            return VT_INT;
        case AutomationValue::Type::Empty:
            break;
    }
    return VT_EMPTY;
}

// Takes the converted value out of the variant.
AutomationValue ValueOf(const VARIANT& converted, AutomationValue::Type type) {
    AutomationValue value;
    value.type = type;
    switch (type) {
        case AutomationValue::Type::String:
            value.text = BstrToAnsi(converted.bstrVal);
            break;
        case AutomationValue::Type::Bool:
            value.flag = converted.boolVal != VARIANT_FALSE;
            break;
        case AutomationValue::Type::Int:
            value.number = converted.intVal;
            break;
        case AutomationValue::Type::Empty:
            break;
    }
    return value;
}

// Takes a BSTR field of the EXCEPINFO, freeing it.
std::string TakeText(BSTR* text) {
    std::string ansi = BstrToAnsi(*text);
    SysFreeString(*text);
    *text = nullptr;
    return ansi;
}

// A deferred fill-in is the server's own function. Through marshalling
// from a server process only its address arrives, meaningless here (and cut
// to 32 bits by some marshallers): it is called only when it lies in a
// module loaded into this process, that is for an in-process server.
bool IsInThisProcess(HRESULT(STDAPICALLTYPE* function)(EXCEPINFO*)) {
    if (function == nullptr) return false;
    HMODULE module = nullptr;
    return GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                  GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              reinterpret_cast<LPCSTR>(reinterpret_cast<void*>(function)),
                              &module) != 0;
}

}  // namespace

DispatchArguments::DispatchArguments(const std::vector<AutomationValue>& arguments) {
    m_values.reserve(arguments.size());
    try {
        for (auto it = arguments.rbegin(); it != arguments.rend(); ++it)
            m_values.push_back(ToVariant(*it));
    } catch (...) {
        for (auto& value : m_values) VariantClear(&value);
        throw;
    }
    m_parameters.rgvarg = m_values.empty() ? nullptr : m_values.data();
    m_parameters.cArgs = static_cast<UINT>(m_values.size());
}

DispatchArguments::~DispatchArguments() {
    for (auto& value : m_values) VariantClear(&value);
}

AutomationValue ConvertResult(VARIANT* result, AutomationValue::Type type) {
    if (type == AutomationValue::Type::Empty) {
        VariantClear(result);
        return {};
    }
    const HRESULT converted = VariantChangeType(result, result, 0, VariantTypeOf(type));
    if (FAILED(converted)) {
        VariantClear(result);
        throw AutomationError(converted, "the result cannot be converted");
    }
    AutomationValue value = ValueOf(*result, type);
    VariantClear(result);
    return value;
}

AutomationServerException ServerException(EXCEPINFO* info) {
    if (IsInThisProcess(info->pfnDeferredFillIn)) info->pfnDeferredFillIn(info);
    const long code = info->scode != 0 ? static_cast<long>(info->scode) : info->wCode;
    std::string source = TakeText(&info->bstrSource);
    std::string description = TakeText(&info->bstrDescription);
    std::string helpFile = TakeText(&info->bstrHelpFile);
    return AutomationServerException(code, std::move(source), std::move(description),
                                     std::move(helpFile));
}

}  // namespace aro::win32
