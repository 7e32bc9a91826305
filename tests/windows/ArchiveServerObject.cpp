#include "ArchiveServerObject.h"

#include <cstdio>
#include <cwchar>
#include <iterator>

#include "ServerRecord.h"
#include "TestArchiveServer.h"

namespace aro::wtest {

namespace {

// Dispatch identifiers are the index in this table plus one.
constexpr const wchar_t* kMembers[] = {L"DoCheckInOut2",          L"EndOleServer",
                                       L"getArchiveName",         L"loginWithDialog",
                                       L"setShowIndexDialog",     L"addDocumentFileToArchive",
                                       L"addDocumentFileToIntray"};

LONG g_liveObjects = 0;

std::string Narrow(const wchar_t* text, UINT length) {
    if (text == nullptr || length == 0) return {};
    const int needed = WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0,
                                           nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), narrow.data(), needed, nullptr,
                        nullptr);
    return narrow;
}

std::string MemberName(DISPID id) {
    if (id < 1 || id > static_cast<DISPID>(std::size(kMembers))) return "#" + std::to_string(id);
    return Narrow(kMembers[id - 1], static_cast<UINT>(std::wcslen(kMembers[id - 1])));
}

std::string Hex(unsigned long value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%lx", value);
    return text;
}

std::string Describe(const VARIANTARG& argument) {
    if (argument.vt == VT_BSTR)
        return "BSTR:" + Narrow(argument.bstrVal, SysStringLen(argument.bstrVal));
    if (argument.vt == VT_BOOL) return "BOOL:" + std::to_string(argument.boolVal);
    return "VT" + std::to_string(argument.vt) + ":?";
}

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring g_deferredMember;

void FillIn(EXCEPINFO* exception, const std::wstring& member) {
    exception->scode = kRaisedCode;
    const std::string source = kRaisedSource;
    exception->bstrSource = SysAllocString(std::wstring(source.begin(), source.end()).c_str());
    exception->bstrDescription = SysAllocString((member + L" refused").c_str());
}

HRESULT STDAPICALLTYPE DeferredFillIn(EXCEPINFO* exception) {
    exception->pfnDeferredFillIn = nullptr;
    FillIn(exception, g_deferredMember);
    return S_OK;
}

std::string DeferredMode() {
    char mode[32] = "";
    GetEnvironmentVariableA(kServerDeferredVariable, mode, sizeof mode);
    return mode;
}

HRESULT Raise(const std::string& member, EXCEPINFO* exception) {
    if (exception == nullptr) return DISP_E_EXCEPTION;
    *exception = EXCEPINFO{};
    const std::wstring wideMember(member.begin(), member.end());
    const std::string mode = DeferredMode();
    if (mode == "in-process") {
        g_deferredMember = wideMember;
        exception->pfnDeferredFillIn = DeferredFillIn;
        return DISP_E_EXCEPTION;
    }
    FillIn(exception, wideMember);
    if (mode == "foreign") {
        // Heap memory belongs to no module; calling it would crash.
        static char* const foreign = new char[16]();
        exception->pfnDeferredFillIn =
            reinterpret_cast<HRESULT(STDAPICALLTYPE*)(EXCEPINFO*)>(static_cast<void*>(foreign));
    }
    return DISP_E_EXCEPTION;
}

}  // namespace

LONG LiveServerObjects() {
    return InterlockedCompareExchange(&g_liveObjects, 0, 0);
}

ArchiveServerObject::ArchiveServerObject(std::string client) : m_client(std::move(client)) {
    InterlockedIncrement(&g_liveObjects);
}

ArchiveServerObject::~ArchiveServerObject() {
    InterlockedDecrement(&g_liveObjects);
}

HRESULT ArchiveServerObject::QueryInterface(REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG ArchiveServerObject::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&m_references));
}

ULONG ArchiveServerObject::Release() {
    const LONG left = InterlockedDecrement(&m_references);
    if (left == 0) {
        AppendServerRecord(m_client + " Release file-present=" +
                           (!m_lastPath.empty() && FileExists(m_lastPath) ? "1" : "0"));
        delete this;
    }
    return static_cast<ULONG>(left);
}

HRESULT ArchiveServerObject::GetTypeInfoCount(UINT* count) {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT ArchiveServerObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return DISP_E_BADINDEX;
}

HRESULT ArchiveServerObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID locale,
                                           DISPID* ids) {
    if (names == nullptr || ids == nullptr || count != 1) return E_INVALIDARG;
    AppendServerRecord(m_client + " GetIDsOfNames " + Narrow(names[0], SysStringLen(names[0])) +
                       " lcid=" + Hex(locale));
    for (std::size_t i = 0; i < std::size(kMembers); ++i)
        if (_wcsicmp(names[0], kMembers[i]) == 0) {
            ids[0] = static_cast<DISPID>(i + 1);
            return S_OK;
        }
    ids[0] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
}

HRESULT ArchiveServerObject::Invoke(DISPID id, REFIID, LCID locale, WORD kind,
                                    DISPPARAMS* parameters, VARIANT* result, EXCEPINFO* exception,
                                    UINT*) {
    const std::string member = MemberName(id);
    std::string line =
        m_client + " Invoke " + member + " kind=" + std::to_string(kind) + " lcid=" + Hex(locale);
    const UINT count = parameters ? parameters->cArgs : 0;
    if (parameters && parameters->cNamedArgs != 0) line += " named-arguments!";
    // rgvarg holds the arguments last first.
    for (UINT i = count; i-- > 0;) {
        const VARIANTARG& argument = parameters->rgvarg[i];
        line += " " + Describe(argument);
        if (argument.vt == VT_BSTR) {
            const std::string text = Narrow(argument.bstrVal, SysStringLen(argument.bstrVal));
            if (FileExists(text)) m_lastPath = text;
        }
    }
    AppendServerRecord(line);
    if (id < 1 || id > static_cast<DISPID>(std::size(kMembers))) return DISP_E_MEMBERNOTFOUND;
    if (MemberListedIn(kServerRaiseVariable, member)) return Raise(member, exception);
    if (MemberListedIn(kServerFailVariable, member)) return E_FAIL;
    return Answer(member, result);
}

HRESULT ArchiveServerObject::Answer(const std::string& member, VARIANT* result) {
    if (result == nullptr) return S_OK;
    VariantInit(result);
    if (member == "getArchiveName") {
        const std::string name = kArchiveNameAnswer;
        result->vt = VT_BSTR;
        result->bstrVal = SysAllocString(std::wstring(name.begin(), name.end()).c_str());
    } else if (member == "addDocumentFileToArchive") {
        if (EnvironmentFlagSet(kServerTextResultVariable)) {
            result->vt = VT_BSTR;
            result->bstrVal = SysAllocString(L"filed");
        } else {
            result->vt = VT_I4;
            result->lVal = 1;
        }
    }
    return S_OK;
}

}  // namespace aro::wtest
