// Which local account a print job runs as, and the switch into it in the
// job's child process.
//
// The module reads the settings of the user it runs as and starts that
// user's programs, so a job must run as the person who printed it. A server
// started as root becomes the job's account; a server started by a user
// runs every job as that user (it cannot become anybody else). Names that
// are not local accounts, root, and names that cannot be trusted (see
// RequestTrust.h) get the fallback account.
#pragma once

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace aro::printerapp {

struct JobAccount {
    std::string name;
    uid_t uid = 0;
    gid_t gid = 0;
    std::string home;
};

// The password database, replaceable in tests.
using AccountLookup = std::function<std::optional<JobAccount>(const std::string& name)>;
std::optional<JobAccount> LookUpLocalAccount(const std::string& name);

// Who the server is and whom it falls back to; fixed at server start.
struct AccountPolicy {
    JobAccount server;       // the account the server runs as
    JobAccount fallback;     // jobs of unknown or untrusted users
    bool canSwitch = false;  // the server runs as root
};

// The fallback when none is configured: the server's own account, or
// "nobody" for a server run as root (a network job never runs as root).
constexpr const char* kRootServerFallback = "nobody";

// Builds the policy for a server running as `server`. An empty fallback
// name takes the default. False with a message when the fallback is not a
// local account, is root, or is another account than the server's own on a
// server that cannot switch accounts.
bool MakeAccountPolicy(const JobAccount& server, const std::string& fallbackName,
                       const AccountLookup& lookup, AccountPolicy* policy, std::string* error);

// The account for a job whose owner PAPPL recorded as `jobUserName`.
JobAccount ChooseJobAccount(const AccountPolicy& policy, const char* jobUserName,
                            const AccountLookup& lookup);

// The process-wide policy of the running server.
bool ConfigureJobAccounts(const char* fallbackUser, std::string* error);
JobAccount AccountForJob(const char* jobUserName);
// The fallback account's name, the owner of every job from an untrusted
// client.
std::string FallbackAccountName();

// Everything the child needs to become the account, prepared before fork:
// a multi-threaded server may call only async-signal-safe functions between
// fork and exec, and initgroups reads the group database, so the group list
// is looked up here and set in the child with setgroups.
class AccountSwitch {
public:
    // extraEnvironment: "NAME=value" entries added to the child's
    // environment (after the account's own).
    AccountSwitch(const JobAccount& account, const std::vector<std::string>& extraEnvironment);
    AccountSwitch(const AccountSwitch&) = delete;
    AccountSwitch& operator=(const AccountSwitch&) = delete;

    // In the child: supplementary groups, group, user, in that order, each
    // checked, then the account's home as working folder. 0, or the errno
    // value of the step that failed. Does nothing when no switch is needed
    // (the child already runs as the account).
    int EnterInChild() const noexcept;
    // envp for execve.
    char* const* Environment() const noexcept { return m_environmentPointers.data(); }

private:
    bool m_switch = false;
    uid_t m_uid = 0;
    gid_t m_gid = 0;
    std::vector<gid_t> m_groups;
    std::string m_home;
    std::vector<std::string> m_environment;
    std::vector<char*> m_environmentPointers;
};

// The environment a job child gets: the account's HOME, USER, LOGNAME,
// XDG_CONFIG_HOME, TMPDIR (and its session bus when it has one), with the
// server's PATH, locale and machine-wide settings variables. A child of a
// server that does not switch keeps the server's environment as it is.
std::vector<std::string> JobEnvironment(const JobAccount& account, bool switchingAccount,
                                        char* const* serverEnvironment);

}  // namespace aro::printerapp
