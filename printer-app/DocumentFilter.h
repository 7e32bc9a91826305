// PDF and PostScript jobs: aro-print renders PAPPL's spooled copy itself.
#pragma once

#include <pappl/pappl.h>

namespace aro::printerapp {

// A pappl_mime_filter_cb_t: one aro-print child reads the spooled file;
// false (the job aborted, its reason set) when the document did not print.
bool PrintSpooledDocument(pappl_job_t* job, pappl_device_t* device, void* data);

// Registers the filter for application/pdf and application/postscript.
void AddDocumentFilters(pappl_system_t* system);

}  // namespace aro::printerapp
