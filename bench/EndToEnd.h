// aro-print against Ghostscript's own Group 4 TIFF device, on the same PDF
// at the same resolution, run alternately in one go.
#pragma once

#include <string>
#include <vector>

#include "BenchSandbox.h"

namespace aro::bench {

struct EndToEndRun {
    std::string label;              // for the summary
    std::vector<std::string> argv;  // the command
    std::string outputFile;         // where the command writes, "" = the module's folder
    double medianSeconds = 0;
    int pages = 0;  // pages in the last run's output
};

// Runs every command runs times, alternating, after one warm-up run each;
// checks that every run wrote expectedPages pages. False with error set when
// a command fails.
bool MeasureEndToEnd(std::vector<EndToEndRun>* commands, const BenchSandbox& sandbox, int runs,
                     int expectedPages, std::string* error);

// The middle value (the upper one of an even count); values not empty.
double Median(std::vector<double> values);

}  // namespace aro::bench
