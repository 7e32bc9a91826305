// Machine-readable job events for a program that runs aro-print (the
// printer application): one line per event on the descriptor given with
// --status-fd, each a keyword and its values separated by spaces:
//   pages N              the document's page count, once it is known
//   page N               page N went to the module
//   refused N STATUS     the module refused a band of page N
//   file PATH            the module opened PATH for writing
//   error TEXT           why the job failed or was cut short
//   outcome WORD CODE    the job's end: printed, refused, rejected,
//                        incomplete, no-file or crashed; the exit code
#pragma once

#include <string>

#include "JobOutcome.h"

namespace aro::host {

// Whether fd is an open descriptor that can take the status lines.
bool StatusDescriptorUsable(int fd);

// Sends every later event to fd (-1: nowhere). Not inherited by programs
// the job starts.
void OpenStatusChannel(int fd);
bool StatusChannelOpen();

void SendStatus(const std::string& keyword, const std::string& values);

// The outcome line's word for a job's result.
const char* OutcomeWord(const JobOutcome& outcome);

}  // namespace aro::host
