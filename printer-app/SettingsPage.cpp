#include "printer-app/SettingsPage.h"

#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/posix/RegistryHive.h"
#include "printer-app/MachineSettings.h"
#include "printer-app/SettingsForm.h"
#include "printer-app/SettingsFormHtml.h"

namespace aro::printerapp {

namespace {

constexpr const char* kPagePath = "/tiff-output";

FormFields FormFieldsOf(int count, cups_option_t* options) {
    FormFields fields;
    for (int i = 0; i < count; ++i) fields[options[i].name] = options[i].value;
    return fields;
}

struct PostResult {
    std::vector<std::string> messages;
    std::vector<FieldError> errors;
    FormFields submitted;
    bool saved = false;
};

// Checks the form and, when every field can be used, stores the changes.
PostResult HandlePost(pappl_client_t* client, const MachineSettings& current) {
    PostResult result;
    cups_option_t* options = nullptr;
    const int count = papplClientGetForm(client, &options);
    if (count == 0) {
        result.messages.push_back("Invalid form data.");
        return result;
    }
    if (!papplClientIsValidForm(client, count, options)) {
        cupsFreeOptions(count, options);
        result.messages.push_back("Invalid form submission.");
        return result;
    }
    result.submitted = FormFieldsOf(count, options);
    cupsFreeOptions(count, options);
    if (!current.readError.empty()) {
        result.messages.push_back("Nothing saved: " + current.readError + ".");
        return result;
    }
    FormOutcome outcome = ReadSubmittedSettings(result.submitted, current);
    result.errors = outcome.errors;
    for (const FieldError& error : outcome.errors) result.messages.push_back(error.message);
    if (!outcome.errors.empty()) {
        result.messages.insert(result.messages.begin(),
                               "Nothing saved; these fields cannot be used:");
        return result;
    }
    const std::string failure = ApplyHiveEdits(current.hiveFile, outcome.edits);
    if (!failure.empty()) {
        result.messages.push_back("Not saved: " + failure + ".");
        return result;
    }
    result.saved = true;
    return result;
}

bool ShowTiffOutputPage(pappl_client_t* client, void*) {
    if (!papplClientHTMLAuthorize(client)) return true;
    const std::string hiveFile = posix::HiveFilePath(Hive::LocalMachine);
    MachineSettings current = ReadMachineSettings(hiveFile);
    PostResult post;
    const bool posted = papplClientGetMethod(client) == HTTP_STATE_POST;
    if (posted) {
        post = HandlePost(client, current);
        // Saved: show what the file now holds; else the administrator's input.
        if (post.saved) current = ReadMachineSettings(hiveFile);
    }
    if (!current.readError.empty() && !posted) post.messages.push_back(current.readError + ".");

    if (!papplClientRespond(client, HTTP_STATUS_OK, nullptr, "text/html", 0, 0)) return false;
    papplClientHTMLHeader(client, "TIFF output", 0);
    papplClientHTMLPuts(client, SettingsPageTopHtml(current, post.messages, post.saved).c_str());
    papplClientHTMLStartForm(client, kPagePath, false);
    const FormFields* shown = posted && !post.saved ? &post.submitted : nullptr;
    papplClientHTMLPuts(client, SettingsFormBodyHtml(current, shown, post.errors).c_str());
    papplClientHTMLPuts(client, SettingsPageBottomHtml(current).c_str());
    papplClientHTMLFooter(client);
    return true;
}

}  // namespace

void AddTiffOutputPage(pappl_system_t* system) {
    papplSystemAddResourceCallback(system, kPagePath, "text/html", ShowTiffOutputPage, nullptr);
    papplSystemAddLink(
        system, "TIFF output", kPagePath,
        static_cast<pappl_loptions_t>(PAPPL_LOPTIONS_NAVIGATION | PAPPL_LOPTIONS_CONFIGURATION |
                                      PAPPL_LOPTIONS_HTTPS_REQUIRED));
}

}  // namespace aro::printerapp
