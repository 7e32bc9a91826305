// The one driver of the printer application: a driverless IPP Everywhere
// printer that writes TIFF files through aro-print.
#pragma once

#include <pappl/pappl.h>

namespace aro::printerapp {

constexpr char kDriverName[] = "aro_tiff";
constexpr char kMakeAndModel[] = "ARO TIFF Printer";

// A pappl_pr_driver_cb_t for kDriverName; false for any other driver.
bool FillDriverData(pappl_system_t* system, const char* driverName, const char* deviceUri,
                    const char* deviceId, pappl_pr_driver_data_t* data, ipp_t** attributes,
                    void* context);

// The driver list for papplSystemSetPrinterDrivers.
pappl_pr_driver_t* DriverList(int* count);

}  // namespace aro::printerapp
