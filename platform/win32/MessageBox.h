// User-facing messages.
#pragma once

namespace aro::win32 {

// The environment variable that diverts message boxes into a file: a
// MessageBoxA blocks until someone presses OK, which no test (and no
// unattended print server) can do.
constexpr const char* kMessageLogVariable = "ARO_PRINTER_MESSAGE_LOG";

// MessageBoxA(no owner, text, caption, flags). When ARO_PRINTER_MESSAGE_LOG
// names a file, the message is appended there instead, as one record:
// the flags in eight hexadecimal digits, a blank, "<caption>: <text>" and a
// newline.
void ShowMessageBox(const char* text, const char* caption, unsigned flags);

}  // namespace aro::win32
