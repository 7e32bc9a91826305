// PWG raster, Apple raster, JPEG and PNG jobs: PAPPL decodes them and hands
// the lines to these callbacks, which stream them as PNM to the job's
// aro-print child, one image per page.
#pragma once

#include <pappl/pappl.h>

namespace aro::printerapp {

bool StartRasterJob(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device);
bool StartRasterPage(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device,
                     unsigned page);
bool WriteRasterLine(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device,
                     unsigned y, const unsigned char* line);
bool EndRasterPage(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device,
                   unsigned page);
bool EndRasterJob(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device);

}  // namespace aro::printerapp
