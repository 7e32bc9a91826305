#include "PrinterSystem.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "AroPrintProgram.h"
#include "DocumentFilter.h"
#include "EmptyJobs.h"
#include "JobAccount.h"
#include "LocalSocket.h"
#include "PrinterDriver.h"
#include "RequestTrust.h"
#include "SettingsPage.h"

namespace aro::printerapp {

namespace {

constexpr char kFooterHtml[] = "ARO TIFF Printer " ARO_PRINTER_APP_VERSION;
constexpr char kDeviceUri[] = "file:///dev/null";
constexpr char kDeviceId[] = "MFG:ARO;MDL:TIFF Printer;CMD:PDF,PS,PWGRaster,URF,JPEG,PNG;";

const char* Option(const char* name, int count, cups_option_t* options) {
    return cupsGetOption(name, count, options);
}

pappl_loglevel_t LogLevel(const char* value) {
    if (!value) return PAPPL_LOGLEVEL_WARN;
    const std::string level = value;
    if (level == "fatal") return PAPPL_LOGLEVEL_FATAL;
    if (level == "error") return PAPPL_LOGLEVEL_ERROR;
    if (level == "info") return PAPPL_LOGLEVEL_INFO;
    if (level == "debug") return PAPPL_LOGLEVEL_DEBUG;
    return PAPPL_LOGLEVEL_WARN;
}

bool HasWord(const std::string& list, const std::string& word) {
    size_t start = 0;
    while (start <= list.size()) {
        size_t comma = list.find(',', start);
        if (list.substr(start, comma - start) == word) return true;
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return false;
}

// One queue always: adding printers and the device list are out of reach
// (PAPPL 1.3.1 aborts in both when avahi is missing).
pappl_soptions_t SystemOptions(const char* value) {
    const std::string list = value ? value : "";
    pappl_soptions_t options =
        HasWord(list, "no-web-interface") ? PAPPL_SOPTIONS_NONE : PAPPL_SOPTIONS_WEB_INTERFACE;
    if (HasWord(list, "dnssd-host")) options |= PAPPL_SOPTIONS_DNSSD_HOST;
    if (HasWord(list, "web-log")) options |= PAPPL_SOPTIONS_WEB_LOG;
    if (HasWord(list, "web-remote")) options |= PAPPL_SOPTIONS_WEB_REMOTE;
    if (HasWord(list, "web-security")) options |= PAPPL_SOPTIONS_WEB_SECURITY;
    if (HasWord(list, "no-tls")) options |= PAPPL_SOPTIONS_NO_TLS;
    return options;
}

bool ParsePort(const char* value, int* port) {
    *port = 0;
    if (!value) return true;
    char* end = nullptr;
    long parsed = std::strtol(value, &end, 10);
    if (!*value || *end || parsed < 0 || parsed > 65535) return false;
    *port = static_cast<int>(parsed);
    return true;
}

bool IsFolder(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// As PAPPL's own servers keep it: the system's folder for root, else the
// user's configuration folder.
std::string DefaultStateFile() {
    const std::string name = std::string(kAppName) + ".state";
    if (getuid() == 0) return "/var/lib/" + name;
    if (const char* config = getenv("XDG_CONFIG_HOME"); config && IsFolder(config))
        return std::string(config) + "/" + name;
    if (const char* home = getenv("HOME"); home && IsFolder(std::string(home) + "/.config"))
        return std::string(home) + "/.config/" + name;
    return std::string(papplGetTempDir()) + "/" + kAppName + std::to_string(getuid()) + ".state";
}

std::string DefaultSpoolFolder() {
    if (getuid() == 0) return std::string("/var/spool/") + kAppName;
    if (const char* home = getenv("HOME"); home && IsFolder(std::string(home) + "/.config"))
        return std::string(home) + "/.config/" + kAppName + ".d";
    return std::string(papplGetTempDir()) + "/" + kAppName + std::to_string(getuid()) + ".d";
}

void CountPrinter(pappl_printer_t* printer, void* data) {
    (void)printer;
    ++*static_cast<int*>(data);
}

// The queue from an earlier run's state, else a new one.
bool EnsurePrinter(pappl_system_t* system) {
    int printers = 0;
    papplSystemIteratePrinters(system, CountPrinter, &printers);
    if (printers > 0) return true;
    pappl_printer_t* printer =
        papplPrinterCreate(system, 0, kPrinterName, kDriverName, kDeviceId, kDeviceUri);
    if (!printer) return false;
    papplSystemSetDefaultPrinterID(system, papplPrinterGetID(printer));
    return true;
}

bool Fail(const std::string& message) {
    std::fprintf(stderr, "%s: %s\n", kAppName, message.c_str());
    return false;
}

bool ConfigureJobs(int count, cups_option_t* options) {
    if (const char* program = Option("aro-print", count, options)) SetAroPrintProgram(program);
    if (access(AroPrintProgram().c_str(), X_OK) != 0)
        return Fail("cannot run " + AroPrintProgram() + "; name aro-print with -o aro-print=PATH");
    std::string error;
    if (!ConfigureJobAccounts(Option("fallback-user", count, options), &error))
        return Fail("fallback-user: " + error);
    return true;
}

pappl_system_t* MakeSystem(int count, cups_option_t* options) {
    int port = 0;
    if (!ParsePort(Option("server-port", count, options), &port)) {
        Fail("bad server-port value");
        return nullptr;
    }
    const char* spool = Option("spool-directory", count, options);
    const std::string spoolFolder = spool ? spool : DefaultSpoolFolder();
    pappl_system_t* system = papplSystemCreate(
        SystemOptions(Option("server-options", count, options)), kPrinterName, port,
        "_print,_universal", spoolFolder.c_str(), Option("log-file", count, options),
        LogLevel(Option("log-level", count, options)), Option("auth-service", count, options),
        false);
    if (!system) return nullptr;
    // PAPPL 1.3.1 looks the footer up without checking it: every web page
    // crashes the server when there is none.
    papplSystemSetFooterHTML(system, kFooterHtml);
    if (const char* group = Option("admin-group", count, options))
        papplSystemSetAdminGroup(system, group);
    if (const char* host = Option("server-hostname", count, options))
        papplSystemSetHostName(system, host);
    if (!Option("private-server", count, options))
        papplSystemAddListeners(system, Option("listen-hostname", count, options));
    return system;
}

}  // namespace

pappl_system_t* CreatePrinterSystem(int count, cups_option_t* options, void* data) {
    if (!ConfigureJobs(count, options)) return nullptr;
    pappl_system_t* system = MakeSystem(count, options);
    if (!system) return nullptr;
    int drivers = 0;
    pappl_pr_driver_t* list = DriverList(&drivers);
    papplSystemSetPrinterDrivers(system, drivers, list, nullptr, nullptr, FillDriverData, nullptr);
    AddDocumentFilters(system);
    CollectEmptyJobs(system);
    InstallRequestTrust(system);
    KeepLocalSocketPrivate(system, data ? static_cast<const char*>(data) : kAppName);
    AddTiffOutputPage(system);
    // The state is loaded here, not by the main loop, so that the queue of
    // an earlier run is found before a new one would be made.
    static std::string stateFile;
    const char* state = Option("state-file", count, options);
    stateFile = state ? state : DefaultStateFile();
    papplSystemLoadState(system, stateFile.c_str());
    if (!EnsurePrinter(system)) {
        Fail("cannot create the printer '" + std::string(kPrinterName) + "'");
        papplSystemDelete(system);
        return nullptr;
    }
    papplSystemSetSaveCallback(system, reinterpret_cast<pappl_save_cb_t>(papplSystemSaveState),
                               stateFile.data());
    return system;
}

}  // namespace aro::printerapp
