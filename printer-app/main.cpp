// aro-printer-app: the ARO TIFF printer as a driverless IPP Everywhere
// printer. Every job runs aro-print in a child process of its own, which
// hands its pages to the exit module.
#include <pappl/pappl.h>
#include <signal.h>

#include <cstdio>
#include <cstring>

#include "PrinterDriver.h"
#include "PrinterSystem.h"

namespace {

void ShowUsage(void* data) {
    (void)data;
    std::puts(
        "Usage: aro-printer-app SUB-COMMAND [OPTIONS] [FILENAME]\n"
        "\n"
        "Sub-commands:\n"
        "  server     run the printer application (in the foreground)\n"
        "  submit     print files\n"
        "  status     show the server's state\n"
        "  jobs       list the jobs\n"
        "  cancel     cancel a job\n"
        "  shutdown   stop the server\n"
        "\n"
        "Options:\n"
        "  -o server-port=N           IPP port (0: the first free one from 8000)\n"
        "  -o listen-hostname=HOST    listen on HOST only (e.g. localhost)\n"
        "  -o spool-directory=DIR     spooled documents\n"
        "  -o state-file=FILE         the saved state of the server and its printer\n"
        "  -o log-file=FILE           the log (- for standard error)\n"
        "  -o log-level=LEVEL         fatal, error, warn, info or debug\n"
        "  -o fallback-user=NAME      the account of jobs from unknown or untrusted users\n"
        "  -o aro-print=PATH          the aro-print to run (default: beside this program)\n"
        "  -o server-options=LIST     PAPPL's: no-web-interface, web-log, web-remote,\n"
        "                             web-security, no-tls, dnssd-host\n"
        "  -o NAME=VALUE              a job option for submit\n"
        "  --help                     show this text\n"
        "  --version                  show the version");
}

}  // namespace

int main(int argc, char* argv[]) {
    // A job's aro-print that ends early closes the pipe its pages go into;
    // the write must fail, not end the server.
    signal(SIGPIPE, SIG_IGN);
    int drivers = 0;
    pappl_pr_driver_t* list = aro::printerapp::DriverList(&drivers);
    // The main loop names its local socket after the program's file name.
    const char* slash = std::strrchr(argv[0], '/');
    const char* baseName = slash ? slash + 1 : argv[0];
    return papplMainloop(argc, argv, ARO_PRINTER_APP_VERSION, nullptr, drivers, list, nullptr,
                         aro::printerapp::FillDriverData, nullptr, nullptr,
                         aro::printerapp::CreatePrinterSystem, ShowUsage,
                         const_cast<char*>(baseName));
}
