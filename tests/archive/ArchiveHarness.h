// Session-bus fixtures for the archive hand-off tests: the reference
// automation server started per test, questions to the bus daemon, and a
// bare bus of a test's own on which nothing is registered.
#pragma once

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

namespace aro::itest {

// DBUS_SESSION_BUS_ADDRESS of the test process; empty when unset.
std::string SessionBusAddress();

// Questions to the bus daemon at one address, each over a connection of its
// own (nothing is left open across a fork).
class BusDriver {
public:
    explicit BusDriver(std::string address) : m_address(std::move(address)) {}
    const std::string& address() const { return m_address; }

    bool NameHasOwner(const std::string& name) const;
    // Polls until the name is owned (or free); false when time ran out.
    bool WaitForOwner(const std::string& name, bool owned, int milliseconds = 5000) const;
    std::vector<std::string> ActivatableNames() const;
    // Connections on the bus (unique names), the asking one included.
    size_t ConnectionCount() const;
    // The environment of servers the bus starts from now on.
    bool SetActivationEnvironment(const std::string& name, const std::string& value) const;
    // Ends the process that owns the name and waits until the name is free.
    bool StopOwner(const std::string& name) const;

private:
    std::string m_address;
};

// True on the bus of tests/dbus/session.conf (both clients activatable):
// never run against a desktop session by mistake.
bool IsArchiveTestBus(const BusDriver& bus);

// Stops servers of the two client names that are still running (started
// by activation, unasked); returns their names.
std::vector<std::string> StopLeftoverServers(const BusDriver& bus);

// The reference automation server under one client name, recording to a
// file with --check-file. Stopped, and its name released, on destruction.
class ReferenceServer {
public:
    ReferenceServer(const BusDriver& bus, std::string progId, std::string recordPath,
                    const std::vector<std::string>& options = {});
    ~ReferenceServer();
    ReferenceServer(const ReferenceServer&) = delete;
    ReferenceServer& operator=(const ReferenceServer&) = delete;

    // Whether the server owned its name within a few seconds of its start.
    bool ready() const { return m_ready; }

private:
    const BusDriver& m_bus;
    std::string m_progId;
    pid_t m_pid = -1;
    bool m_ready = false;
};

// A dbus-daemon of its own in `folder`: nothing is registered on it except
// the given activatable services (name, Exec line).
class BareBus {
public:
    explicit BareBus(const std::string& folder,
                     const std::vector<std::pair<std::string, std::string>>& services = {});
    ~BareBus();
    BareBus(const BareBus&) = delete;
    BareBus& operator=(const BareBus&) = delete;
    const std::string& address() const { return m_address; }

private:
    pid_t m_pid = -1;
    std::string m_address;
};

// Sets an environment variable for the lifetime of the object.
class ScopedEnvironment {
public:
    ScopedEnvironment(std::string name, const std::string& value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::string m_name;
    bool m_wasSet = false;
    std::string m_previous;
};

// The lines of a record file (missing file: none).
std::vector<std::string> RecordLines(const std::string& path);

// `text` as the reference server quotes a plain string argument.
std::string Quoted(const std::string& text);

}  // namespace aro::itest
