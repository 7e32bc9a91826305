// A user name and password checked by PAM, for HTTP Basic authentication.
#pragma once

#include <string>

namespace aro::printerapp {

// True when the PAM service accepts the password and the account.
// remoteHost goes to PAM as PAM_RHOST (for its logs and rules).
bool CheckPassword(const std::string& service, const std::string& user, const std::string& password,
                   const std::string& remoteHost);

// "Basic dXNlcjpwYXNz" -> user and password; false for any other scheme or
// a value without a colon.
bool ParseBasicCredentials(const char* authorization, std::string* user, std::string* password);

}  // namespace aro::printerapp
