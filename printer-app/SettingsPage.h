// The "TIFF output" page of the web interface: the machine-wide settings of
// the module (the HKEY_LOCAL_MACHINE hive file), shown and edited by the
// printer's administrator.
#pragma once

#include <pappl/pappl.h>

namespace aro::printerapp {

// Adds the page at /tiff-output and its link in the navigation bar. Call
// from the system callback, before the system runs.
void AddTiffOutputPage(pappl_system_t* system);

}  // namespace aro::printerapp
