// The one seam between the module and the operating system.
//
// The core never calls an OS API directly: it asks the Platform returned by
// GetPlatform(). Every service mirrors the Windows call the module was
// designed around and reports what that call reports (presence, sizes,
// failure), so that a POSIX and a Win32 implementation can sit behind it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace aro {

enum class Hive { CurrentUser, LocalMachine };

// GetLocalTime's fields that the module uses.
struct LocalTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int milliseconds = 0;
};

// MessageBoxA flags the module passes.
constexpr unsigned kMessageBoxOk = 0x00000000;
constexpr unsigned kMessageBoxTopMost = 0x00040000;

// ---- Automation (COM's IDispatch on Windows, D-Bus on POSIX) ----

// A positional argument or a result of an automation call.
struct AutomationValue {
    enum class Type { Empty, Bool, Int, String };
    Type type = Type::Empty;
    bool flag = false;
    int32_t number = 0;
    std::string text;

    static AutomationValue String(std::string value) {
        AutomationValue v;
        v.type = Type::String;
        v.text = std::move(value);
        return v;
    }
    static AutomationValue Bool(bool value) {
        AutomationValue v;
        v.type = Type::Bool;
        v.flag = value;
        return v;
    }
};

// Invocation kinds, as DISPATCH_METHOD and DISPATCH_PROPERTYGET.
constexpr uint16_t kDispatchMethod = 1;
constexpr uint16_t kDispatchPropertyGet = 2;

// The server raised an exception (DISP_E_EXCEPTION with its EXCEPINFO).
struct AutomationServerException : std::runtime_error {
    AutomationServerException(long c, std::string src, std::string desc, std::string help)
        : std::runtime_error(desc),
          code(c),
          source(std::move(src)),
          description(std::move(desc)),
          helpFile(std::move(help)) {}
    long code;
    std::string source;
    std::string description;
    std::string helpFile;
};

// Any other failing call: a failing HRESULT, no reply, a lost connection, a
// result that cannot be converted.
struct AutomationError : std::runtime_error {
    explicit AutomationError(long c, const std::string& what = "automation error")
        : std::runtime_error(what), code(c) {}
    long code;
};

// One server object; destroying it releases the server.
class AutomationObject {
public:
    virtual ~AutomationObject() = default;
    // GetIDsOfNames for one name. Returns false when the server does not
    // know the member.
    virtual bool LookUp(const char* member, int32_t* dispatchId) = 0;
    // Invoke with positional arguments (first argument first). Throws
    // AutomationServerException or AutomationError.
    virtual AutomationValue Invoke(int32_t dispatchId, uint16_t kind,
                                   const std::vector<AutomationValue>& arguments,
                                   AutomationValue::Type resultType) = 0;
};

// ---- The platform ----

class Platform {
public:
    virtual ~Platform() = default;

    // Settings hives (RegOpenKeyA + RegQueryValueExA). On entry *size is the
    // capacity of data. Returns false when the key or the value is missing or
    // the data does not fit; otherwise copies the value's raw bytes and sets
    // *size to their count.
    virtual bool QueryValue(Hive hive, const char* keyPath, const char* valueName,
                            unsigned char* data, uint32_t* size) = 0;
    // RegOpenKeyA or RegCreateKeyA (with missing parents) + RegSetValueExA
    // of a REG_SZ value. Returns false when the value could not be stored.
    virtual bool SetStringValue(Hive hive, const char* keyPath, const char* valueName,
                                const char* text) = 0;

    // MessageBoxA with no owner window.
    virtual void ShowMessage(const char* text, const char* caption, unsigned flags) = 0;

    // GetTempPathA: the length written (without terminator, the folder ends
    // in a separator); the size needed (with terminator) when it does not
    // fit; 0 on failure.
    virtual uint32_t GetTempPath(char* buffer, uint32_t capacity) = 0;
    // ExpandEnvironmentStringsA: characters stored including the terminator,
    // the size needed when it does not fit, 0 on failure.
    virtual uint32_t ExpandEnvironment(const char* source, char* buffer, uint32_t capacity) = 0;
    // GetLongPathNameA: the length written (without terminator), the size
    // needed when it does not fit, 0 when the path does not exist.
    virtual uint32_t GetLongPath(const char* path, char* buffer, uint32_t capacity) = 0;

    // FindFirstFileA + FindClose: is there an entry at this path?
    virtual bool PathExists(const char* path) = 0;
    // CreateDirectoryA with no security attributes (one level).
    virtual bool CreateFolder(const char* path) = 0;
    virtual bool RemoveFile(const char* path) = 0;
    // CopyFileA.
    virtual bool CopyFileTo(const char* source, const char* target, bool failIfExists) = 0;
    // GetTempFileNameA with a unique number of 0: creates a new, private,
    // empty file in the folder and stores its name.
    virtual bool CreateTempFile(const char* folder, const char* prefix, char* name,
                                uint32_t capacity) = 0;
    // WritePrivateProfileStringA.
    virtual bool WriteProfileString(const char* section, const char* key, const char* value,
                                    const char* file) = 0;

    // Names of the job's files.
    // Creates an empty file only where nothing exists yet (open with O_EXCL,
    // CreateFileA with CREATE_NEW): of two jobs that chose one name, one
    // gets false.
    virtual bool CreateNewFile(const char* path) = 0;
    // Where to cut the first length bytes of text (which holds at least that
    // many) without splitting a character of the system's multibyte text:
    // length itself, or the start of the character that would be split.
    virtual std::size_t CharacterBoundaryAtOrBefore(const char* text, std::size_t length) = 0;

    // GetUserNameA: on entry *size is the capacity; on success the name is
    // stored with its terminator and *size holds its length plus one.
    virtual bool GetUserName(char* buffer, uint32_t* size) = 0;
    // GetSystemDirectoryA: the length written, or the size needed, 0 on failure.
    virtual uint32_t GetSystemDirectory(char* buffer, uint32_t capacity) = 0;
    // GetFileVersionInfoSizeA / GetFileVersionInfoA / VerQueryValueA("\"):
    // the four parts of the file version, most significant first.
    virtual bool ReadFileVersion(const char* path, uint16_t parts[4]) = 0;
    virtual LocalTime GetLocalTime() = 0;

    // The runtime's spawn with PATH search: the program gets the argument
    // vector (parameter, parameter). Waits for its end only when asked to.
    virtual void StartProgram(const char* program, const char* parameter, bool wait) = 0;
    // ShellExecuteA(desktop window, "open", file, "", "", SW_SHOW).
    virtual void ShellOpen(const char* file) = 0;

    // The diagnostic log stream, opened for writing ("w", text mode).
    virtual std::FILE* OpenLogFile(const char* path) = 0;

    // GlobalAlloc(GMEM_ZEROINIT) and GlobalFree.
    virtual void* AllocateZeroed(std::size_t bytes) = 0;
    virtual void Free(void* block) = 0;

    // CoInitialize + CLSIDFromProgID + CoCreateInstance + OleRun +
    // QueryInterface(IDispatch). Null when no object could be obtained.
    virtual std::unique_ptr<AutomationObject> CreateAutomationObject(const char* progId) = 0;

    // The dialog procedure's window calls: GetWindowRect + MoveWindow to a
    // screen position, keeping the size and repainting; EndDialog. Where the
    // host has no windows (POSIX) there is nothing to do.
    virtual void MoveWindowTo(void* /*window*/, int /*left*/, int /*top*/) {}
    virtual void EndDialog(void* /*window*/, intptr_t /*result*/) {}

    // ---- File identity ----
    // Tells one version of a file from another without reading it (stat;
    // GetFileInformationByHandle on Windows). False when the file cannot be
    // examined: the caller then cannot rely on anything it kept of it.
    virtual bool GetFileIdentity(const char* /*path*/, struct FileIdentity* /*identity*/) {
        return false;
    }
};

// The file's volume and number on it (device and inode, volume serial and
// file index), its size and its last write time in the platform's units;
// a field the platform cannot tell stays 0.
struct FileIdentity {
    uint64_t volume = 0;
    uint64_t index = 0;
    uint64_t size = 0;
    int64_t modified = 0;

    bool operator==(const FileIdentity& other) const {
        return volume == other.volume && index == other.index && size == other.size &&
               modified == other.modified;
    }
    bool operator!=(const FileIdentity& other) const { return !(*this == other); }
};

// The platform in use: the one installed by SetPlatform, else the
// implementation built into the module.
Platform& GetPlatform();
// Install another platform (tests); null goes back to the built-in one.
void SetPlatform(Platform* platform);
// Defined by the platform implementation that is linked in.
Platform& BuiltInPlatform();

}  // namespace aro
