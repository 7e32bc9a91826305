// What one print job did: pages, bands and the module's answers. It is a
// plain record so that the job's process can hand it to its parent whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>

#include "AroPrinterCfg.h"
#include "ExitCodes.h"

namespace aro::host {

enum class JobResult : int32_t {
    Printed,            // every page went to the module
    InputRejected,      // nothing printable: the module was not called
    ModuleUnavailable,  // the module could not be loaded: not called
    Incomplete,         // the document was started but not every page or its text made it
    Crashed,            // the job's process ended without a report
    NoOutputFile,       // the module could not create the file: stopped at the first band
};

struct StatusCount {
    int32_t status;
    uint32_t count;
};

struct JobOutcome {
    static constexpr size_t kTrackedStatuses = 16;

    JobResult result = JobResult::Printed;
    uint32_t pages = 0;
    uint32_t bands = 0;
    bool negativeStatus = false;
    uint32_t statusKinds = 0;  // entries of statuses in use
    StatusCount statuses[kTrackedStatuses] = {};
    uint32_t untrackedStatuses = 0;  // non-zero statuses beyond the table
    char textFile[ARO_PRINT_FILE_NAME_SIZE] = {};

    // The TIFF files the module wrote (the first and the last of them) and
    // the pages they hold, read back after the job; pagesChecked is false
    // when no file could be read (handed to an archive and deleted).
    uint32_t tiffFiles = 0;
    char firstTiff[ARO_PRINT_FILE_NAME_SIZE] = {};
    char lastTiff[ARO_PRINT_FILE_NAME_SIZE] = {};
    bool pagesChecked = false;
    uint32_t pagesWritten = 0;
    int32_t pageLimit = -1;  // MaxPagesCount, -1: none
    // Every page is in the file and the negative statuses were background
    // images that could not be used: warnings, not refusals.
    bool statusesAreBackground = false;

    // Counts a band's status; zero is success and not listed.
    void CountStatus(int status);
};

static_assert(std::is_trivially_copyable_v<JobOutcome>, "sent through a pipe as bytes");

// 0 every band accepted (or only a background could not be used), 1 a band
// refused, 2 an input that could not be printed, 3 a job that could not be
// completed.
int ExitCodeOf(const JobOutcome& outcome);

// "<input>: <n> page(s), <n> band(s), statuses: none", pages a page limit
// kept out, the TIFF file(s) and the text file the module wrote, and a note
// when the job was not completed.
std::string FormatSummary(const std::string& input, const JobOutcome& outcome);

}  // namespace aro::host
