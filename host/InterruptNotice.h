// What a job's process says when it is interrupted: the TIFF file it was
// writing holds an unfinished document, and how many pages went into it.
#pragma once

#include <cstdint>
#include <string>

namespace aro::host {

// Installs the job process's handlers of SIGINT, SIGTERM and SIGHUP: they
// print the notice and end the process with the signal.
void AnnounceInterruptions(const std::string& label);

// Called after every page: pages printed in all, the file written last and
// how many of them it holds. The notice is prepared here, as a signal
// handler may not build text.
void NoteJobProgress(uint32_t pages, const std::string& lastFile, uint32_t pagesInLastFile);

// A temporary file the job has made, removed when it is interrupted; ""
// when there is none.
void RemoveOnInterrupt(const std::string& path);

// The notice for a job stopped at that point.
std::string InterruptNoticeText(const std::string& label, uint32_t pages,
                                const std::string& lastFile, uint32_t pagesInLastFile);

}  // namespace aro::host
