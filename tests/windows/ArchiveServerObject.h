// The test automation server's object: IDispatch with the members of both
// archive clients, late-bound only (no type information).
#pragma once

#include <windows.h>

#include <string>

namespace aro::wtest {

class ArchiveServerObject final : public IDispatch {
public:
    // client: "classic" or "java", written at the start of every record.
    explicit ArchiveServerObject(std::string client);

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD kind,
                                     DISPPARAMS* parameters, VARIANT* result, EXCEPINFO* exception,
                                     UINT* badArgument) override;

private:
    ~ArchiveServerObject();
    // The answer of a member that is neither raised nor failed.
    HRESULT Answer(const std::string& member, VARIANT* result);

    LONG m_references = 1;
    std::string m_client;
    std::string m_lastPath;  // the last BSTR argument that named a file
};

// Objects alive in the process (DllCanUnloadNow).
LONG LiveServerObjects();

}  // namespace aro::wtest
