// aro-printer-app end to end: a PDF submitted over IPP until its TIFF file
// is complete, against Ghostscript's own Group 4 TIFF device and against
// the aro-print the server runs for the job, alone.
#pragma once

#include <string>

#include "Summary.h"

namespace aro::bench {

struct PrinterAppPrograms {
    std::string printerApp;  // aro-printer-app
    std::string aroPrint;    // the aro-print its jobs run
    std::string work;        // the server's folders go below it
};

// Runs each of the three runs times in alternation after a warm-up round,
// monochrome at dpi; every run must leave a file of pages pages. Adds the
// medians and ratios to summary; false with error set on any failure.
bool MeasureSubmission(const PrinterAppPrograms& programs, const std::string& pdf, int pages,
                       int dpi, int runs, Summary* summary, std::string* error);

}  // namespace aro::bench
