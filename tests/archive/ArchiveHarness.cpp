#include "archive/ArchiveHarness.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

extern char** environ;

namespace aro::itest {

namespace {

constexpr const char* kDriver = "org.freedesktop.DBus";
constexpr const char* kDriverPath = "/org/freedesktop/DBus";

struct BusCloser {
    void operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }
};
using Bus = std::unique_ptr<sd_bus, BusCloser>;

struct MessageRelease {
    void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};
using Message = std::unique_ptr<sd_bus_message, MessageRelease>;

Bus Connect(const std::string& address) {
    sd_bus* bus = nullptr;
    if (sd_bus_new(&bus) < 0) return nullptr;
    Bus handle(bus);
    if (sd_bus_set_address(bus, address.c_str()) < 0 || sd_bus_set_bus_client(bus, 1) < 0 ||
        sd_bus_start(bus) < 0)
        return nullptr;
    return handle;
}

// Calls a method of the bus daemon with one argument of the given type.
template <typename Argument>
Message CallDriver(const std::string& address, const char* member, const char* types,
                   Argument argument) {
    Bus bus = Connect(address);
    if (!bus) return nullptr;
    sd_bus_message* reply = nullptr;
    sd_bus_error error = SD_BUS_ERROR_NULL;
    const int result = sd_bus_call_method(bus.get(), kDriver, kDriverPath, kDriver, member, &error,
                                          &reply, types, argument);
    sd_bus_error_free(&error);
    return result < 0 ? nullptr : Message(reply);
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

pid_t Spawn(const std::vector<std::string>& argv, posix_spawn_file_actions_t* actions) {
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, args[0], actions, nullptr, args.data(), environ) != 0) return -1;
    return pid;
}

void EndProcess(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
}

// One line from a pipe, waiting at most `milliseconds`.
std::string ReadLine(int fd, int milliseconds) {
    std::string line;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (line.empty() || line.back() != '\n') {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        struct pollfd ready {
            fd, POLLIN, 0
        };
        char c;
        if (left.count() <= 0 || poll(&ready, 1, static_cast<int>(left.count())) <= 0 ||
            read(fd, &c, 1) != 1)
            return "";
        line += c;
    }
    line.pop_back();
    return line;
}

std::string BareBusConfig(const std::string& folder) {
    return "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
           " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           "<busconfig>\n  <type>session</type>\n"
           "  <listen>unix:dir=" +
           folder +
           "</listen>\n  <auth>EXTERNAL</auth>\n"
           "  <servicedir>" +
           folder +
           "/services</servicedir>\n"
           "  <policy context=\"default\">\n"
           "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
           "    <allow eavesdrop=\"true\"/>\n    <allow own=\"*\"/>\n  </policy>\n"
           "  <limit name=\"service_start_timeout\">5000</limit>\n</busconfig>\n";
}

}  // namespace

std::string SessionBusAddress() {
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    return address ? address : "";
}

bool BusDriver::NameHasOwner(const std::string& name) const {
    Message reply = CallDriver(m_address, "NameHasOwner", "s", name.c_str());
    int owned = 0;
    return reply && sd_bus_message_read(reply.get(), "b", &owned) > 0 && owned;
}

bool BusDriver::WaitForOwner(const std::string& name, bool owned, int milliseconds) const {
    for (int waited = 0; waited < milliseconds; waited += 10) {
        if (NameHasOwner(name) == owned) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return NameHasOwner(name) == owned;
}

static std::vector<std::string> ListNames(const std::string& address, const char* member) {
    std::vector<std::string> names;
    Bus bus = Connect(address);
    sd_bus_message* reply = nullptr;
    if (!bus || sd_bus_call_method(bus.get(), kDriver, kDriverPath, kDriver, member, nullptr,
                                   &reply, "") < 0)
        return names;
    Message owned(reply);
    char** list = nullptr;
    if (sd_bus_message_read_strv(reply, &list) < 0) return names;
    for (char** name = list; name && *name; ++name) {
        names.push_back(*name);
        std::free(*name);
    }
    std::free(list);
    return names;
}

std::vector<std::string> BusDriver::ActivatableNames() const {
    return ListNames(m_address, "ListActivatableNames");
}

size_t BusDriver::ConnectionCount() const {
    const auto names = ListNames(m_address, "ListNames");
    return std::count_if(names.begin(), names.end(),
                         [](const std::string& name) { return name.rfind(':', 0) == 0; });
}

bool BusDriver::SetActivationEnvironment(const std::string& name, const std::string& value) const {
    Bus bus = Connect(m_address);
    return bus && sd_bus_call_method(bus.get(), kDriver, kDriverPath, kDriver,
                                     "UpdateActivationEnvironment", nullptr, nullptr, "a{ss}", 1,
                                     name.c_str(), value.c_str()) >= 0;
}

bool BusDriver::StopOwner(const std::string& name) const {
    Message reply = CallDriver(m_address, "GetConnectionUnixProcessID", "s", name.c_str());
    uint32_t pid = 0;
    if (!reply || sd_bus_message_read(reply.get(), "u", &pid) <= 0 || pid == 0) return false;
    kill(static_cast<pid_t>(pid), SIGTERM);
    // Not our child (the bus daemon started it): the daemon reaps it.
    return WaitForOwner(name, false);
}

bool IsArchiveTestBus(const BusDriver& bus) {
    if (bus.address().empty()) return false;
    const auto names = bus.ActivatableNames();
    return std::count(names.begin(), names.end(), "AroArcConnect.App") == 1 &&
           std::count(names.begin(), names.end(), "jniwrapper.arocomserver") == 1;
}

std::vector<std::string> StopLeftoverServers(const BusDriver& bus) {
    std::vector<std::string> stopped;
    for (const char* name : {"AroArcConnect.App", "jniwrapper.arocomserver"}) {
        if (!bus.NameHasOwner(name)) continue;
        bus.StopOwner(name);
        stopped.push_back(name);
    }
    return stopped;
}

ReferenceServer::ReferenceServer(const BusDriver& bus, std::string progId, std::string recordPath,
                                 const std::vector<std::string>& options)
    : m_bus(bus), m_progId(std::move(progId)) {
    std::vector<std::string> argv = {
        ARO_AUTOMATION_SERVER, "--name", m_progId, "--record", recordPath, "--check-file"};
    argv.insert(argv.end(), options.begin(), options.end());
    ScopedEnvironment address("DBUS_SESSION_BUS_ADDRESS", bus.address());
    m_pid = Spawn(argv, nullptr);
    m_ready = m_pid > 0 && bus.WaitForOwner(m_progId, true);
}

ReferenceServer::~ReferenceServer() {
    EndProcess(m_pid);
    // The next test's server needs the name.
    m_bus.WaitForOwner(m_progId, false);
}

BareBus::BareBus(const std::string& folder,
                 const std::vector<std::pair<std::string, std::string>>& services) {
    mkdir(folder.c_str(), 0700);
    mkdir((folder + "/services").c_str(), 0700);
    for (const auto& [name, exec] : services)
        WriteText(folder + "/services/" + name + ".service",
                  "[D-BUS Service]\nName=" + name + "\nExec=" + exec + "\n");
    WriteText(folder + "/bus.conf", BareBusConfig(folder));
    int out[2];
    if (pipe(out) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    m_pid = Spawn(
        {"dbus-daemon", "--nofork", "--print-address=1", "--config-file=" + folder + "/bus.conf"},
        &actions);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (m_pid > 0) m_address = ReadLine(out[0], 5000);
    close(out[0]);
}

BareBus::~BareBus() {
    EndProcess(m_pid);
}

ScopedEnvironment::ScopedEnvironment(std::string name, const std::string& value)
    : m_name(std::move(name)) {
    const char* previous = std::getenv(m_name.c_str());
    m_wasSet = previous != nullptr;
    if (m_wasSet) m_previous = previous;
    setenv(m_name.c_str(), value.c_str(), 1);
}

ScopedEnvironment::~ScopedEnvironment() {
    if (m_wasSet)
        setenv(m_name.c_str(), m_previous.c_str(), 1);
    else
        unsetenv(m_name.c_str());
}

std::vector<std::string> RecordLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

}  // namespace aro::itest
