// One input file printed as one job through the exit module.
#pragma once

#include <string>

#include "InputType.h"
#include "JobOutcome.h"
#include "PageSource.h"

namespace aro::host {

struct JobRequest {
    std::string input;  // the file read
    std::string label;  // the document's name in messages
    InputType type = InputType::Unknown;
    std::string jobName;
    std::string modulePath;
    RenderSettings render;
    unsigned bandRows = 256;
    bool showProgress = false;
};

// Renders the first page before the module is touched, so that an input
// that gives no page makes no module call. Then: PrintJobName,
// startDocExit, GetPrintFileName, every page, the text file when the module
// named one, endDocExit. Problems are reported on standard error.
JobOutcome RunPrintJob(const JobRequest& request);

}  // namespace aro::host
