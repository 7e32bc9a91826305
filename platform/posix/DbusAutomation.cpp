#include "platform/posix/DbusAutomation.h"

#include <systemd/sd-bus.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <set>
#include <utility>
#include <vector>

#include "platform/posix/DbusIntrospection.h"

namespace aro::posix {

namespace {

// The HRESULTs a COM client would see for the same failures.
constexpr long kServerException = static_cast<long>(0x80020009L);  // DISP_E_EXCEPTION
constexpr long kMemberNotFound = static_cast<long>(0x80020003L);   // DISP_E_MEMBERNOTFOUND
constexpr long kTypeMismatch = static_cast<long>(0x80020005L);     // DISP_E_TYPEMISMATCH
constexpr long kDisconnected = static_cast<long>(0x80010108L);     // RPC_E_DISCONNECTED
constexpr long kFailure = static_cast<long>(0x80004005L);          // E_FAIL

constexpr const char* kBusDriver = "org.freedesktop.DBus";
constexpr const char* kBusDriverPath = "/org/freedesktop/DBus";

constexpr uint64_t kSecond = 1000000;
// The bus daemon answers its own methods at once.
constexpr uint64_t kBusDriverTimeout = 25 * kSecond;
// Longer than the daemon's own service_start_timeout (two minutes on a
// session bus), so that a slow start is reported by the daemon.
constexpr uint64_t kActivationTimeout = 150 * kSecond;
// Introspection only sharpens member lookup; without an answer lookups
// succeed and the call itself finds out.
constexpr uint64_t kIntrospectionTimeout = 25 * kSecond;
// Member calls: filing a document waits for a person. A server that dies
// meanwhile is answered for by the bus daemon, so this never waits forever
// on a dead server.
constexpr uint64_t kNoTimeLimit = UINT64_MAX;

struct BusCloser {
    void operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }
};
struct MessageRelease {
    void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};
struct SlotRelease {
    void operator()(sd_bus_slot* slot) const { sd_bus_slot_unref(slot); }
};
using BusHandle = std::unique_ptr<sd_bus, BusCloser>;
using MessageHandle = std::unique_ptr<sd_bus_message, MessageRelease>;
using SlotHandle = std::unique_ptr<sd_bus_slot, SlotRelease>;

bool IsNameElement(const std::string& element) {
    if (element.empty() || element.size() > 255) return false;
    auto letter = [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
    };
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if (!letter(element.front())) return false;
    return std::all_of(element.begin(), element.end(),
                       [&](char c) { return letter(c) || digit(c); });
}

BusHandle OpenSessionBus() {
    sd_bus* bus = nullptr;
    // A connection of its own (not the shared default one): nothing of it
    // outlives the server object.
    if (sd_bus_open_user(&bus) < 0) return nullptr;
    return BusHandle(bus);
}

MessageHandle NewMethodCall(sd_bus* bus, const std::string& destination, const std::string& path,
                            const char* interface, const char* member) {
    sd_bus_message* call = nullptr;
    if (sd_bus_message_new_method_call(bus, &call, destination.c_str(), path.c_str(), interface,
                                       member) < 0)
        return nullptr;
    return MessageHandle(call);
}

// The reply of a call that is not a member invocation; null on any failure.
MessageHandle CallWithin(sd_bus* bus, sd_bus_message* call, uint64_t timeout) {
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    const int result = sd_bus_call(bus, call, timeout, &error, &reply);
    sd_bus_error_free(&error);
    if (result < 0) return nullptr;
    return MessageHandle(reply);
}

std::optional<std::string> NameOwner(sd_bus* bus, const std::string& name) {
    MessageHandle call = NewMethodCall(bus, kBusDriver, kBusDriverPath, kBusDriver, "GetNameOwner");
    if (!call || sd_bus_message_append(call.get(), "s", name.c_str()) < 0) return std::nullopt;
    MessageHandle reply = CallWithin(bus, call.get(), kBusDriverTimeout);
    const char* owner = nullptr;
    if (!reply || sd_bus_message_read(reply.get(), "s", &owner) <= 0) return std::nullopt;
    return std::string(owner);
}

// Bus activation; true once the service runs (started now or already).
bool StartService(sd_bus* bus, const std::string& name) {
    MessageHandle call =
        NewMethodCall(bus, kBusDriver, kBusDriverPath, kBusDriver, "StartServiceByName");
    if (!call || sd_bus_message_append(call.get(), "su", name.c_str(), 0u) < 0) return false;
    return CallWithin(bus, call.get(), kActivationTimeout) != nullptr;
}

// Well-formed UTF-8 as D-Bus checks it: no overlong forms, no surrogates,
// nothing above U+10FFFF, no NUL (the text ends at one anyway).
bool IsUtf8(const std::string& text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.c_str());
    while (*p) {
        unsigned char lead = *p;
        int length = lead < 0x80                    ? 1
                     : lead >= 0xC2 && lead <= 0xDF ? 2
                     : (lead & 0xF0) == 0xE0        ? 3
                     : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                    : 0;
        if (length == 0) return false;
        for (int k = 1; k < length; ++k)
            if ((p[k] & 0xC0) != 0x80) return false;
        if ((lead == 0xE0 && p[1] < 0xA0) || (lead == 0xED && p[1] >= 0xA0) ||
            (lead == 0xF0 && p[1] < 0x90) || (lead == 0xF4 && p[1] >= 0x90))
            return false;
        p += length;
    }
    return true;
}

// A D-Bus string must be UTF-8. A text that is not (a job name from a host
// that writes a legacy code page) is taken as Latin-1, so that the archive
// still receives it instead of the call failing and the file being lost.
std::string AsBusString(const std::string& text) {
    if (IsUtf8(text)) return text;
    std::string converted;
    for (char c : text) {
        if (c == '\0') break;
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            converted += c;
        } else {
            converted += static_cast<char>(0xC0 | (byte >> 6));
            converted += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return converted;
}

void AppendArgument(sd_bus_message* call, const AutomationValue& argument) {
    int result = -EINVAL;
    switch (argument.type) {
        case AutomationValue::Type::String:
            result = sd_bus_message_append_basic(call, 's', AsBusString(argument.text).c_str());
            break;
        case AutomationValue::Type::Bool: {
            const int flag = argument.flag ? 1 : 0;
            result = sd_bus_message_append_basic(call, 'b', &flag);
            break;
        }
        case AutomationValue::Type::Int:
            result = sd_bus_message_append_basic(call, 'i', &argument.number);
            break;
        case AutomationValue::Type::Empty:
            break;
    }
    if (result < 0) throw AutomationError(kTypeMismatch, "argument cannot be sent over D-Bus");
}

AutomationValue ConvertReply(sd_bus_message* reply, AutomationValue::Type type) {
    AutomationValue result;
    result.type = type;
    int read = 1;
    switch (type) {
        case AutomationValue::Type::Empty:
            break;
        case AutomationValue::Type::String: {
            const char* text = nullptr;
            read = sd_bus_message_read_basic(reply, 's', &text);
            if (read > 0) result.text = text;
            break;
        }
        case AutomationValue::Type::Int:
            read = sd_bus_message_read_basic(reply, 'i', &result.number);
            break;
        case AutomationValue::Type::Bool: {
            int flag = 0;
            read = sd_bus_message_read_basic(reply, 'b', &flag);
            result.flag = flag != 0;
            break;
        }
    }
    if (read <= 0) throw AutomationError(kTypeMismatch, "the reply cannot be converted");
    return result;
}

int KeepReply(sd_bus_message* reply, void* userdata, sd_bus_error* /*error*/) {
    static_cast<MessageHandle*>(userdata)->reset(sd_bus_message_ref(reply));
    return 1;
}

class DbusAutomationObject : public AutomationObject {
public:
    DbusAutomationObject(BusHandle bus, DbusAddress address, std::string owner)
        : m_bus(std::move(bus)), m_address(std::move(address)), m_owner(std::move(owner)) {}

    bool LookUp(const char* member, int32_t* dispatchId) override {
        if (dispatchId) *dispatchId = 0;
        if (!member || !dispatchId || !IsNameElement(member) || !ServerDeclares(member))
            return false;
        auto known = std::find(m_members.begin(), m_members.end(), member);
        if (known == m_members.end()) known = m_members.insert(m_members.end(), member);
        *dispatchId = static_cast<int32_t>(known - m_members.begin()) + 1;
        return true;
    }

    AutomationValue Invoke(int32_t dispatchId, uint16_t kind,
                           const std::vector<AutomationValue>& arguments,
                           AutomationValue::Type resultType) override {
        if (dispatchId < 1 || static_cast<size_t>(dispatchId) > m_members.size())
            throw AutomationError(kMemberNotFound, "no member has this dispatch identifier");
        if (!(kind & kDispatchMethod))
            throw AutomationError(kMemberNotFound, "a D-Bus server only has methods");
        MessageHandle call = NewMemberCall(m_members[dispatchId - 1], arguments);
        MessageHandle reply = AwaitReply(call.get());
        ThrowIfError(reply.get());
        return ConvertReply(reply.get(), resultType);
    }

private:
    // Without a usable introspection every member counts as declared.
    bool ServerDeclares(const std::string& member) {
        if (!m_introspected) {
            m_introspected = true;
            m_declared = Introspect();
        }
        return !m_declared || m_declared->count(member) > 0;
    }

    std::optional<std::set<std::string>> Introspect() {
        MessageHandle call = NewMethodCall(m_bus.get(), m_owner, m_address.objectPath,
                                           "org.freedesktop.DBus.Introspectable", "Introspect");
        if (!call) return std::nullopt;
        MessageHandle reply = CallWithin(m_bus.get(), call.get(), kIntrospectionTimeout);
        const char* xml = nullptr;
        if (!reply || sd_bus_message_read(reply.get(), "s", &xml) <= 0) return std::nullopt;
        return DeclaredMethods(xml, m_address.interface);
    }

    // Addressed to the owner found at creation, like a COM object reference:
    // a server that went away is not silently replaced by a fresh instance.
    MessageHandle NewMemberCall(const std::string& member,
                                const std::vector<AutomationValue>& arguments) {
        MessageHandle call = NewMethodCall(m_bus.get(), m_owner, m_address.objectPath,
                                           m_address.interface.c_str(), member.c_str());
        if (!call) throw AutomationError(kFailure, "cannot build the call");
        for (const auto& argument : arguments) AppendArgument(call.get(), argument);
        return call;
    }

    MessageHandle AwaitReply(sd_bus_message* call) {
        MessageHandle reply;
        sd_bus_slot* pending = nullptr;
        if (sd_bus_call_async(m_bus.get(), &pending, call, KeepReply, &reply, kNoTimeLimit) < 0)
            throw AutomationError(kDisconnected, "cannot send the call");
        SlotHandle slot(pending);
        // A lost connection still ends in a (locally made) error reply.
        for (;;) {
            int result = sd_bus_process(m_bus.get(), nullptr);
            if (reply) return reply;
            if (result == 0) result = sd_bus_wait(m_bus.get(), UINT64_MAX);
            if (result < 0 && result != -EINTR)
                throw AutomationError(kDisconnected, "the connection to the server was lost");
        }
    }

    // Only an error the server itself sent is a server exception; errors
    // from the bus daemon or from sd-bus (the server went away, no reply)
    // are automation errors.
    void ThrowIfError(sd_bus_message* reply) const {
        if (!sd_bus_message_is_method_error(reply, nullptr)) return;
        const sd_bus_error* error = sd_bus_message_get_error(reply);
        const std::string name = error && error->name ? error->name : "";
        const std::string text = error && error->message ? error->message : "";
        const char* sender = sd_bus_message_get_sender(reply);
        if (sender && m_owner == sender)
            throw AutomationServerException(kServerException, name, text, "");
        throw AutomationError(kDisconnected, name + ": " + text);
    }

    BusHandle m_bus;
    DbusAddress m_address;
    std::string m_owner;                 // the unique name of the server's connection
    std::vector<std::string> m_members;  // dispatch identifier n is m_members[n - 1]
    bool m_introspected = false;
    std::optional<std::set<std::string>> m_declared;
};

}  // namespace

std::optional<DbusAddress> DbusAddressForProgId(const char* progId) {
    if (progId == nullptr) return std::nullopt;
    const std::string name = progId;
    if (name.size() > 255 || name.find('.') == std::string::npos) return std::nullopt;
    std::string path;
    for (size_t start = 0;;) {
        const size_t dot = name.find('.', start);
        const std::string element =
            name.substr(start, dot == std::string::npos ? dot : dot - start);
        if (!IsNameElement(element)) return std::nullopt;
        path += "/" + element;
        if (dot == std::string::npos) break;
        start = dot + 1;
    }
    return DbusAddress{name, path, name};
}

std::unique_ptr<AutomationObject> CreateDbusAutomationObject(const char* progId) {
    auto address = DbusAddressForProgId(progId);
    if (!address) return nullptr;
    BusHandle bus = OpenSessionBus();
    if (!bus) return nullptr;
    auto owner = NameOwner(bus.get(), address->busName);
    if (!owner && StartService(bus.get(), address->busName))
        owner = NameOwner(bus.get(), address->busName);
    if (!owner) return nullptr;
    return std::make_unique<DbusAutomationObject>(std::move(bus), std::move(*address),
                                                  std::move(*owner));
}

}  // namespace aro::posix
