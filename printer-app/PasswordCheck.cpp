#include "PasswordCheck.h"

#include <cups/cups.h>
#include <security/pam_appl.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace aro::printerapp {

namespace {

struct Credentials {
    const std::string* user;
    const std::string* password;
};

// Answers PAM's prompts: the name for an echoed prompt, the password for a
// hidden one; messages need no answer.
int Converse(int count, const pam_message** messages, pam_response** responses, void* data) {
    if (count <= 0) return PAM_CONV_ERR;
    auto* credentials = static_cast<Credentials*>(data);
    auto* replies =
        static_cast<pam_response*>(std::calloc(static_cast<size_t>(count), sizeof(pam_response)));
    if (replies == nullptr) return PAM_BUF_ERR;
    for (int i = 0; i < count; ++i) {
        switch (messages[i]->msg_style) {
            case PAM_PROMPT_ECHO_ON:
                replies[i].resp = strdup(credentials->user->c_str());
                break;
            case PAM_PROMPT_ECHO_OFF:
                replies[i].resp = strdup(credentials->password->c_str());
                break;
            case PAM_TEXT_INFO:
            case PAM_ERROR_MSG:
                break;
            default:
                for (int j = 0; j < i; ++j) std::free(replies[j].resp);
                std::free(replies);
                return PAM_CONV_ERR;
        }
    }
    *responses = replies;
    return PAM_SUCCESS;
}

}  // namespace

bool CheckPassword(const std::string& service, const std::string& user, const std::string& password,
                   const std::string& remoteHost) {
    if (service.empty() || user.empty()) return false;
    Credentials credentials{&user, &password};
    pam_conv conversation{Converse, &credentials};
    pam_handle_t* handle = nullptr;
    int status = pam_start(service.c_str(), user.c_str(), &conversation, &handle);
    if (status == PAM_SUCCESS) status = pam_set_item(handle, PAM_RHOST, remoteHost.c_str());
    if (status == PAM_SUCCESS) status = pam_authenticate(handle, PAM_SILENT);
    if (status == PAM_SUCCESS) status = pam_acct_mgmt(handle, PAM_SILENT);
    if (handle != nullptr) pam_end(handle, status);
    return status == PAM_SUCCESS;
}

bool ParseBasicCredentials(const char* authorization, std::string* user, std::string* password) {
    if (authorization == nullptr || std::strncmp(authorization, "Basic ", 6) != 0) return false;
    const char* encoded = authorization + 6;
    while (*encoded == ' ' || *encoded == '\t') ++encoded;
    std::vector<char> decoded(std::strlen(encoded) + 1);
    int length = static_cast<int>(decoded.size());
    httpDecode64_2(decoded.data(), &length, encoded);
    std::string text(decoded.data(), static_cast<size_t>(length > 0 ? length : 0));
    size_t colon = text.find(':');
    if (colon == std::string::npos) return false;
    *user = text.substr(0, colon);
    *password = text.substr(colon + 1);
    return !user->empty();
}

}  // namespace aro::printerapp
