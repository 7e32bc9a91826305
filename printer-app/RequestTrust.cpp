#include "RequestTrust.h"

#include <grp.h>
#include <pwd.h>

#include <cstring>
#include <vector>

#include "JobAccount.h"
#include "PasswordCheck.h"

namespace aro::printerapp {

namespace {

bool IsLoopback(pappl_client_t* client) {
    http_addr_t* address = httpGetAddress(papplClientGetHTTP(client));
    return address != nullptr && httpAddrLocalhost(address);
}

const char* JobOwner(pappl_client_t* client) {
    pappl_job_t* job = papplClientGetJob(client);
    return job != nullptr ? papplJobGetUsername(job) : nullptr;
}

bool IsMemberOf(const std::string& user, gid_t group) {
    if (group == static_cast<gid_t>(-1)) return true;
    std::optional<JobAccount> account = LookUpLocalAccount(user);
    if (!account) return false;
    std::vector<gid_t> groups(64);
    int count = static_cast<int>(groups.size());
    if (getgrouplist(user.c_str(), account->gid, groups.data(), &count) == -1) {
        groups.resize(static_cast<size_t>(count));
        if (getgrouplist(user.c_str(), account->gid, groups.data(), &count) == -1) return false;
    }
    groups.resize(static_cast<size_t>(count));
    for (gid_t member : groups)
        if (member == group) return true;
    return false;
}

// Basic credentials checked by the server's PAM service; the client then
// carries the user's name. Nothing when the request has no credentials.
std::optional<http_status_t> Authenticate(pappl_client_t* client, const char* service,
                                          gid_t group) {
    const char* authorization = httpGetField(papplClientGetHTTP(client), HTTP_FIELD_AUTHORIZATION);
    if (authorization == nullptr || *authorization == '\0') return std::nullopt;
    std::string user, password;
    if (!ParseBasicCredentials(authorization, &user, &password)) return HTTP_STATUS_BAD_REQUEST;
    if (!CheckPassword(service, user, password, papplClientGetHostName(client))) {
        papplLogClient(client, PAPPL_LOGLEVEL_INFO, "Basic authentication of '%s' failed.",
                       user.c_str());
        return HTTP_STATUS_UNAUTHORIZED;
    }
    papplClientSetUsername(client, user.c_str());
    return IsMemberOf(user, group) ? HTTP_STATUS_CONTINUE : HTTP_STATUS_FORBIDDEN;
}

http_status_t DecideRequest(pappl_client_t* client, const char* /*group*/, gid_t groupId,
                            void* /*data*/) {
    if (papplClientGetRequest(client) != nullptr &&
        IsRefusedToEveryone(papplClientGetOperation(client)))
        return HTTP_STATUS_FORBIDDEN;
    pappl_system_t* system = papplClientGetSystem(client);
    const char* service = papplSystemGetAuthService(system);
    bool authService = service != nullptr && *service != '\0';
    if (authService) {
        std::optional<http_status_t> authenticated = Authenticate(client, service, groupId);
        if (authenticated) return *authenticated;
    }
    UnauthenticatedRequest request;
    request.loopback = IsLoopback(client);
    request.ipp = papplClientGetRequest(client) != nullptr;
    request.operation = papplClientGetOperation(client);
    request.jobOwner = JobOwner(client);
    request.authServiceConfigured = authService;
    std::string fallback = FallbackAccountName();
    switch (JudgeUnauthenticated(request, fallback)) {
        case Verdict::Allow:
            return HTTP_STATUS_CONTINUE;
        case Verdict::AllowAsFallback:
            papplClientSetUsername(client, fallback.c_str());
            return HTTP_STATUS_CONTINUE;
        case Verdict::AskCredentials:
            return HTTP_STATUS_UNAUTHORIZED;
        case Verdict::Forbid:
            break;
    }
    return HTTP_STATUS_FORBIDDEN;
}

}  // namespace

bool IsRefusedToEveryone(ipp_op_t operation) {
    // PAPPL 1.3.1 browses DNS-SD for these and aborts when avahi-daemon is
    // not running; the one queue needs no device search anyway.
    return operation == IPP_OP_PAPPL_FIND_DEVICES;
}

bool IsJobOperation(ipp_op_t operation) {
    switch (operation) {
        case IPP_OP_PRINT_JOB:
        case IPP_OP_VALIDATE_JOB:
        case IPP_OP_CREATE_JOB:
        case IPP_OP_SEND_DOCUMENT:
        case IPP_OP_CLOSE_JOB:
        case IPP_OP_CANCEL_JOB:
        case IPP_OP_CANCEL_MY_JOBS:
        case IPP_OP_GET_JOBS:
        case IPP_OP_GET_JOB_ATTRIBUTES:
            return true;
        default:
            return false;
    }
}

Verdict JudgeUnauthenticated(const UnauthenticatedRequest& request,
                             const std::string& fallbackAccount) {
    bool jobRequest = request.ipp && IsJobOperation(request.operation);
    if (request.loopback) {
        // Printing from this machine never needs a password; administering
        // it does when the administrator configured an authentication.
        if (jobRequest || !request.authServiceConfigured) return Verdict::Allow;
        return Verdict::AskCredentials;
    }
    bool fallbackJob = request.jobOwner == nullptr || fallbackAccount == request.jobOwner;
    if (jobRequest && fallbackJob && !fallbackAccount.empty()) return Verdict::AllowAsFallback;
    return request.authServiceConfigured ? Verdict::AskCredentials : Verdict::Forbid;
}

void InstallRequestTrust(pappl_system_t* system) {
    papplSystemSetAuthCallback(system, "Basic", DecideRequest, nullptr);
}

}  // namespace aro::printerapp
