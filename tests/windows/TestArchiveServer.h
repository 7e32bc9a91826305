// A stand-in for both archive clients' automation servers: an in-process
// COM server (AroTestArchiveServer.dll) whose one object answers the members
// of the classic and of the Java client through IDispatch and records every
// call. Registered per user (HKEY_CURRENT_USER\Software\Classes) by its
// DllRegisterServer.
#pragma once

#include <windows.h>

namespace aro::wtest {

// The file the server appends its records to, one line a call:
//   <client> GetIDsOfNames <member> lcid=0x<hex>
//   <client> Invoke <member> kind=<n> lcid=0x<hex> [BSTR:<text>|BOOL:<n>|VT<n>:?]...
//   <client> Release file-present=<0|1>
// <client> is "classic" or "java" by the ProgID the object was made for;
// the arguments are listed first to last; file-present tells whether the
// last path passed in a BSTR still existed when the last reference went.
constexpr const char* kServerRecordVariable = "ARO_TEST_SERVER_RECORD";
// Comma-separated members that raise DISP_E_EXCEPTION with an EXCEPINFO.
constexpr const char* kServerRaiseVariable = "ARO_TEST_SERVER_RAISE";
// Comma-separated members whose Invoke fails with E_FAIL.
constexpr const char* kServerFailVariable = "ARO_TEST_SERVER_FAIL";
// How a raised exception's details come: unset, filled in at once;
// "in-process", only through the server's own deferred fill-in function;
// "foreign", filled in at once, with a deferred fill-in pointer that lies
// in no module of the process (what a marshalled pointer from another
// process looks like).
constexpr const char* kServerDeferredVariable = "ARO_TEST_SERVER_DEFERRED";
// When set, addDocumentFileToArchive answers a text that is no number.
constexpr const char* kServerTextResultVariable = "ARO_TEST_SERVER_TEXT_RESULT";

constexpr const char* kArchiveNameAnswer = "Test Archive";
constexpr const char* kRaisedSource = "AroTestArchiveServer";
constexpr long kRaisedCode = 0x80040201L;

constexpr const char* kClassicProgId = "AroArcConnect.App";
constexpr const char* kJavaProgId = "jniwrapper.arocomserver";

// {85F292C2-89D7-4D34-BF5A-E00D8243C66D}
constexpr CLSID kClassicClassId = {
    0x85f292c2, 0x89d7, 0x4d34, {0xbf, 0x5a, 0xe0, 0x0d, 0x82, 0x43, 0xc6, 0x6d}};
// {E17E326A-F7CF-451C-99E6-EC835FAA0CE8}
constexpr CLSID kJavaClassId = {
    0xe17e326a, 0xf7cf, 0x451c, {0x99, 0xe6, 0xec, 0x83, 0x5f, 0xaa, 0x0c, 0xe8}};

}  // namespace aro::wtest
