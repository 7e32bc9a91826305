// Local-time stamps used in file names and archive hand-offs.
#pragma once

namespace aro {

// "%.4d%.2d%.2d%.2d%.2d%.2d%.3d": 17 digits, milliseconds last. The buffer
// holds at least 18 bytes; each call reads the clock anew.
constexpr unsigned kTimeStampSize = 18;
void FormatFileTimeStamp(char* buffer);

// "%.4d%.2d%.2d%.2d%.2d%.2d": 14 digits, to the second.
constexpr unsigned kIsoDateSize = 15;
void FormatIsoDate(char* buffer);

}  // namespace aro
