// A reference automation server for the archive hand-offs: stands in for the
// classic archive client ("AroArcConnect.App") or the Java archive client
// ("jniwrapper.arocomserver") on the D-Bus session bus, and records every
// call it gets. For tests, and for administrators who want to try the
// printer module without an archive client.
//
// usage: aro-automation-server --name AroArcConnect.App|jniwrapper.arocomserver
//            [--record FILE] [--check-file] [--archive-name NAME] [--no-archive]
//            [--fail MEMBER[=ErrorName:message]]... [--exit-in MEMBER]...
//            [--without MEMBER]... [--delay MEMBER=MILLISECONDS]...
//
// The server owns the bus name and serves object path "/A/B" with interface
// "A.B" for name "A.B". Every member of both clients is served:
//   DoCheckInOut2(s, s, s)   EndOleServer()
//   getArchiveName() -> s    loginWithDialog()    setShowIndexDialog(b)
//   addDocumentFileToArchive(s, s, s) -> i (always 1)
//   addDocumentFileToIntray(s)
//
// Record format: one line per call, appended to the record and flushed
// before the server answers:
//   MEMBER[ ARGUMENT]...[ file=present|file=absent]
// A string argument is written in double quotes; inside them a backslash is
// written "\\", a double quote "\"", and every byte below 0x20 and 0x7F as
// "\xHH" (two upper-case hex digits); all other bytes stand as they are. A
// boolean argument is written true or false, unquoted. With --check-file,
// the members that take a file path (DoCheckInOut2: the third argument,
// addDocumentFileToArchive and addDocumentFileToIntray: the first) end with
// "file=present" or "file=absent": whether that path existed at call time.
// Without --record, the record goes to the file named by
// $ARO_AUTOMATION_SERVER_RECORD (for a server started by bus activation),
// else to standard output.
//
// --fail makes a member answer with that D-Bus error (default
// "org.freedesktop.DBus.Error.Failed" with the message "MEMBER refused");
// --no-archive makes getArchiveName fail as when nobody is logged in;
// --exit-in makes the server exit, without answering, when the member is
// called; --without leaves a member out of the interface; --delay answers
// after a pause.
#include <systemd/sd-bus.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/posix/DbusAutomation.h"

namespace {

struct Member {
    const char* name;
    const char* signature;
    const char* result;
    int fileArgument;  // index of the argument that names a file, or -1
};

constexpr Member kMembers[] = {
    {"DoCheckInOut2", "sss", "", 2},         {"EndOleServer", "", "", -1},
    {"getArchiveName", "", "s", -1},         {"loginWithDialog", "", "", -1},
    {"setShowIndexDialog", "b", "", -1},     {"addDocumentFileToArchive", "sss", "i", 0},
    {"addDocumentFileToIntray", "s", "", 0},
};

constexpr int kArchiveResult = 1;

const Member* FindMember(const std::string& name) {
    for (const auto& member : kMembers)
        if (name == member.name) return &member;
    return nullptr;
}

struct ErrorReply {
    std::string name;
    std::string message;
};

struct Options {
    std::string name;
    std::string recordPath;
    bool checkFile = false;
    std::string archiveName = "Main archive";
    bool noArchive = false;
    std::map<std::string, ErrorReply> failures;
    std::set<std::string> exitIn;
    std::set<std::string> without;
    std::map<std::string, long> delayMilliseconds;
};

[[noreturn]] void Usage(const char* problem) {
    if (problem) std::fprintf(stderr, "aro-automation-server: %s\n", problem);
    std::fputs(
        "usage: aro-automation-server --name AroArcConnect.App|jniwrapper.arocomserver\n"
        "           [--record FILE] [--check-file] [--archive-name NAME] [--no-archive]\n"
        "           [--fail MEMBER[=ErrorName:message]]... [--exit-in MEMBER]...\n"
        "           [--without MEMBER]... [--delay MEMBER=MILLISECONDS]...\n",
        problem ? stderr : stdout);
    std::exit(problem ? 2 : 0);
}

std::string KnownMember(const std::string& name) {
    if (!FindMember(name)) Usage(("unknown member: " + name).c_str());
    return name;
}

// MEMBER[=ErrorName:message]
void AddFailure(Options& options, const std::string& text) {
    const size_t eq = text.find('=');
    const std::string member = KnownMember(text.substr(0, eq));
    ErrorReply reply{"org.freedesktop.DBus.Error.Failed", member + " refused"};
    if (eq != std::string::npos) {
        const std::string error = text.substr(eq + 1);
        const size_t colon = error.find(':');
        reply.name = error.substr(0, colon);
        reply.message = colon == std::string::npos ? "" : error.substr(colon + 1);
    }
    options.failures[member] = reply;
}

// MEMBER=MILLISECONDS
void AddDelay(Options& options, const std::string& text) {
    const size_t eq = text.find('=');
    if (eq == std::string::npos) Usage("--delay needs MEMBER=MILLISECONDS");
    char* end = nullptr;
    const long milliseconds = std::strtol(text.c_str() + eq + 1, &end, 10);
    if (*end != '\0' || milliseconds < 0) Usage("--delay needs MEMBER=MILLISECONDS");
    options.delayMilliseconds[KnownMember(text.substr(0, eq))] = milliseconds;
}

Options ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) Usage((option + " needs a value").c_str());
            return argv[++i];
        };
        if (option == "--help")
            Usage(nullptr);
        else if (option == "--name")
            options.name = value();
        else if (option == "--record")
            options.recordPath = value();
        else if (option == "--check-file")
            options.checkFile = true;
        else if (option == "--archive-name")
            options.archiveName = value();
        else if (option == "--no-archive")
            options.noArchive = true;
        else if (option == "--fail")
            AddFailure(options, value());
        else if (option == "--exit-in")
            options.exitIn.insert(KnownMember(value()));
        else if (option == "--without")
            options.without.insert(KnownMember(value()));
        else if (option == "--delay")
            AddDelay(options, value());
        else
            Usage(("unknown option: " + option).c_str());
    }
    if (options.name.empty()) Usage("--name is required");
    if (options.noArchive && !options.failures.count("getArchiveName"))
        options.failures["getArchiveName"] = {options.name + ".Error.NotLoggedIn",
                                              "nobody is logged in to the archive"};
    return options;
}

std::string Quoted(const char* text) {
    std::string quoted = "\"";
    for (const char* p = text; *p; ++p) {
        const auto byte = static_cast<unsigned char>(*p);
        if (byte == '\\' || byte == '"') {
            quoted += '\\';
            quoted += *p;
        } else if (byte < 0x20 || byte == 0x7F) {
            char escape[5];
            std::snprintf(escape, sizeof escape, "\\x%02X", byte);
            quoted += escape;
        } else {
            quoted += *p;
        }
    }
    return quoted + "\"";
}

class Server {
public:
    Server(Options options, std::FILE* record) : m_options(std::move(options)), m_record(record) {}

    const Options& options() const { return m_options; }

    // The members served, for sd_bus_add_object_vtable; must outlive the bus.
    const sd_bus_vtable* Vtable() {
        m_vtable.push_back(SD_BUS_VTABLE_START(0));
        for (const auto& member : kMembers)
            if (!m_options.without.count(member.name))
                m_vtable.push_back(SD_BUS_METHOD(member.name, member.signature, member.result,
                                                 &Server::Handle, SD_BUS_VTABLE_UNPRIVILEGED));
        m_vtable.push_back(SD_BUS_VTABLE_END);
        return m_vtable.data();
    }

private:
    static int Handle(sd_bus_message* call, void* userdata, sd_bus_error* error) {
        auto& server = *static_cast<Server*>(userdata);
        const Member* member = FindMember(sd_bus_message_get_member(call));
        if (!member) return sd_bus_error_set(error, SD_BUS_ERROR_UNKNOWN_METHOD, "unknown member");
        std::string line = member->name;
        const int read = server.ReadArguments(call, *member, &line);
        if (read < 0) return read;
        server.Record(line);
        return server.Answer(call, *member, error);
    }

    int ReadArguments(sd_bus_message* call, const Member& member, std::string* line) const {
        std::string fileNote;
        for (int i = 0; member.signature[i]; ++i) {
            if (member.signature[i] == 'b') {
                int flag = 0;
                const int read = sd_bus_message_read_basic(call, 'b', &flag);
                if (read < 0) return read;
                *line += flag ? " true" : " false";
                continue;
            }
            const char* text = nullptr;
            const int read = sd_bus_message_read_basic(call, 's', &text);
            if (read < 0) return read;
            *line += " " + Quoted(text);
            if (m_options.checkFile && i == member.fileArgument)
                fileNote = access(text, F_OK) == 0 ? " file=present" : " file=absent";
        }
        *line += fileNote;
        return 0;
    }

    void Record(const std::string& line) const {
        std::fprintf(m_record, "%s\n", line.c_str());
        std::fflush(m_record);
    }

    int Answer(sd_bus_message* call, const Member& member, sd_bus_error* error) const {
        if (m_options.exitIn.count(member.name)) _exit(0);
        auto delay = m_options.delayMilliseconds.find(member.name);
        if (delay != m_options.delayMilliseconds.end()) Pause(delay->second);
        auto failure = m_options.failures.find(member.name);
        if (failure != m_options.failures.end())
            return sd_bus_error_set(error, failure->second.name.c_str(),
                                    failure->second.message.c_str());
        if (std::strcmp(member.result, "s") == 0)
            return sd_bus_reply_method_return(call, "s", m_options.archiveName.c_str());
        if (std::strcmp(member.result, "i") == 0)
            return sd_bus_reply_method_return(call, "i", kArchiveResult);
        return sd_bus_reply_method_return(call, "");
    }

    static void Pause(long milliseconds) {
        struct timespec left {
            milliseconds / 1000, (milliseconds % 1000) * 1000000
        };
        while (nanosleep(&left, &left) != 0 && errno == EINTR) {
        }
    }

    Options m_options;
    std::FILE* m_record;
    std::vector<sd_bus_vtable> m_vtable;
};

std::FILE* OpenRecord(const std::string& requested) {
    std::string path = requested;
    const char* fromEnvironment = std::getenv("ARO_AUTOMATION_SERVER_RECORD");
    if (path.empty() && fromEnvironment) path = fromEnvironment;
    if (path.empty()) return stdout;
    std::FILE* record = std::fopen(path.c_str(), "a");
    if (!record) std::fprintf(stderr, "aro-automation-server: cannot open %s\n", path.c_str());
    return record;
}

// A server started by bus activation connects to the bus that started it.
int OpenBus(sd_bus** bus) {
    const char* starter = std::getenv("DBUS_STARTER_ADDRESS");
    if (!starter || !*starter) return sd_bus_open_user(bus);
    int result = sd_bus_new(bus);
    if (result >= 0) result = sd_bus_set_address(*bus, starter);
    if (result >= 0) result = sd_bus_set_bus_client(*bus, 1);
    if (result >= 0) result = sd_bus_start(*bus);
    return result;
}

int Fail(const char* what, int error) {
    std::fprintf(stderr, "aro-automation-server: %s: %s\n", what, std::strerror(-error));
    return 1;
}

int Serve(sd_bus* bus) {
    for (;;) {
        int result = sd_bus_process(bus, nullptr);
        if (result > 0) continue;
        if (result == 0) result = sd_bus_wait(bus, UINT64_MAX);
        if (result == -ECONNRESET || result == -ENOTCONN) return 0;  // the bus has ended
        if (result < 0 && result != -EINTR) return Fail("bus", result);
    }
}

int Run(Server& server) {
    const auto address = aro::posix::DbusAddressForProgId(server.options().name.c_str());
    if (!address) Usage("--name must be a ProgID like AroArcConnect.App");
    sd_bus* bus = nullptr;
    int result = OpenBus(&bus);
    if (result < 0) return Fail("cannot connect to the session bus", result);
    result = sd_bus_add_object_vtable(bus, nullptr, address->objectPath.c_str(),
                                      address->interface.c_str(), server.Vtable(), &server);
    if (result >= 0) {
        result = sd_bus_request_name(bus, address->busName.c_str(), 0);
        if (result < 0) Fail(("cannot own " + address->busName).c_str(), result);
    } else {
        Fail("cannot serve the object", result);
    }
    if (result >= 0) result = Serve(bus);
    sd_bus_flush_close_unref(bus);
    return result < 0 ? 1 : result;
}

}  // namespace

int main(int argc, char** argv) {
    Options options = ParseOptions(argc, argv);
    std::FILE* record = OpenRecord(options.recordPath);
    if (!record) return 1;
    Server server(std::move(options), record);
    const int status = Run(server);
    if (record != stdout) std::fclose(record);
    return status;
}
