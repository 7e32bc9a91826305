// What a print job asks of aro-print: its name, resolution and colour mode,
// and the command line that says so.
#pragma once

#include <pappl/pappl.h>

#include <string>
#include <vector>

namespace aro::printerapp {

struct JobSettings {
    std::string jobName;
    int dpi = 300;
    bool mono = false;
};

// 'monochrome' and 'bi-level' print every page in black and white;
// 'color' (what CUPS queues send unless told otherwise) and 'auto' let
// aro-print judge every page.
bool MonoForColourMode(const std::string& keyword);

// aro-print's arguments for input (a file, or "-" for standard input),
// with its status lines on kChildStatusFd.
std::vector<std::string> AroPrintArguments(const JobSettings& settings, const std::string& input);

// The job's name, print-color-mode (else the printer's default) and
// printer-resolution (else the printer's default).
JobSettings SettingsOfJob(pappl_job_t* job);

}  // namespace aro::printerapp
