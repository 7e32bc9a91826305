// The HTML of the "TIFF output" page's content (between PAPPL's header and
// footer): the current or submitted values in form fields, each error
// beside its field, the programs run during a job read-only. Every text
// from the hive file or the form is escaped.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "printer-app/MachineSettings.h"
#include "printer-app/SettingsForm.h"

namespace aro::printerapp {

std::string HtmlEscape(std::string_view text);

// The title, the hive file the page edits and the status: the messages
// (one banner, a line each), or the note that the changes were saved. Ends inside the column that
// the form goes into.
std::string SettingsPageTopHtml(const MachineSettings& current,
                                const std::vector<std::string>& messages, bool saved);

// The rows of the form: submitted texts where given (kept after an error),
// else the file's values. Follows the form's opening tag; ends with the
// submit button and closes the form.
std::string SettingsFormBodyHtml(const MachineSettings& current, const FormFields* submitted,
                                 const std::vector<FieldError>& errors);

// The programs run during a job, read-only, and the closing tags of the
// content.
std::string SettingsPageBottomHtml(const MachineSettings& current);

}  // namespace aro::printerapp
