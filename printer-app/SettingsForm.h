// A submitted "TIFF output" form turned into changes of the machine's hive
// file: each field checked, with a message for the administrator when it
// cannot be used, and only the values that change edited.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "printer-app/MachineSettings.h"

namespace aro::printerapp {

// The submitted fields by name (a field that is not submitted is left as it is).
using FormFields = std::map<std::string, std::string>;

struct FieldError {
    std::string formName;
    std::string message;  // names the field and says why
};

struct FormOutcome {
    std::vector<FieldError> errors;  // when there is any, nothing is to be stored
    std::vector<HiveEdit> edits;
};

// Why a background file cannot be used, or "" when it can.
using BackgroundCheck = std::function<std::string(const std::string& path)>;

// The file system's answer: a readable regular file that starts like a TIFF file.
std::string CheckBackgroundFile(const std::string& path);

FormOutcome ReadSubmittedSettings(const FormFields& form, const MachineSettings& current,
                                  const BackgroundCheck& checkBackground = CheckBackgroundFile);

}  // namespace aro::printerapp
