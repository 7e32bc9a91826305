// What aro-print's exit status tells a script.
#pragma once

namespace aro::host {

// Every band accepted, or only a background image could not be used.
constexpr int kExitPrinted = 0;
// The module refused a band.
constexpr int kExitRefused = 1;
// Wrong options, or an input that could not be printed.
constexpr int kExitUsage = 2;
// A job that could not be completed: no module, no output file, a document
// cut short, a job that crashed; also a setting that could not be written.
constexpr int kExitIncomplete = 3;

}  // namespace aro::host
