// The server of the printer application: the PAPPL system with its one
// printer, made from the server's -o options.
#pragma once

#include <pappl/pappl.h>

namespace aro::printerapp {

constexpr char kAppName[] = "aro-printer-app";
constexpr char kPrinterName[] = "ARO TIFF Printer";

// A pappl_ml_system_cb_t. Besides PAPPL's own options it reads
// fallback-user=NAME (the account of jobs from unknown or untrusted users),
// aro-print=PATH and state-file=PATH. nullptr, with the reason on standard
// error, when the server cannot start.
pappl_system_t* CreatePrinterSystem(int optionCount, cups_option_t* options, void* data);

}  // namespace aro::printerapp
