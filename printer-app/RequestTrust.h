// Whose name a job carries: the trust the server puts in a client.
//
// A job runs as the account its owner names (JobAccount.h), so the owner's
// name must not be the client's free choice when the client is another
// machine. PAPPL names a job after the authenticated user, else after the
// request's requesting-user-name. This callback, consulted by PAPPL before
// every job request and every admin page:
// - trusts a client on this machine (loopback) with its requesting-user-name,
//   as CUPS does, and lets it administer the server unless an
//   authentication service is configured;
// - authenticates a client that sends HTTP Basic credentials through PAM
//   (the server's auth-service) and names its jobs after that user;
// - names every job of any other client after the fallback account, and
//   lets such a client act only on the fallback account's jobs: no admin
//   pages, no printer operations;
// - refuses a device search to everyone (it brings PAPPL 1.3.1 down on a
//   machine without avahi-daemon).
// PAPPL asks clients from other machines to use TLS before it consults the
// callback.
#pragma once

#include <pappl/pappl.h>

#include <string>

namespace aro::printerapp {

enum class Verdict {
    Allow,            // as the client named itself (or was authenticated)
    AllowAsFallback,  // the job is the fallback account's
    AskCredentials,   // 401: an authentication service can vouch for the client
    Forbid,           // 403
};

// What the server knows about a request from a client it could not
// authenticate.
struct UnauthenticatedRequest {
    bool loopback = false;
    bool ipp = false;  // an IPP request (else a web page)
    ipp_op_t operation = IPP_OP_CUPS_NONE;
    const char* jobOwner = nullptr;  // owner of the job the request acts on, if any
    bool authServiceConfigured = false;
};

Verdict JudgeUnauthenticated(const UnauthenticatedRequest& request,
                             const std::string& fallbackAccount);

// Job requests an untrusted client may make (on its own jobs).
bool IsJobOperation(ipp_op_t operation);
// Requests no client may make, administrator or not.
bool IsRefusedToEveryone(ipp_op_t operation);

void InstallRequestTrust(pappl_system_t* system);

}  // namespace aro::printerapp
