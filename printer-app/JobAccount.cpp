#include "JobAccount.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>

extern char** environ;

namespace aro::printerapp {

namespace {

std::optional<JobAccount> FromPasswdEntry(const passwd* entry) {
    if (entry == nullptr) return std::nullopt;
    JobAccount account;
    account.name = entry->pw_name;
    account.uid = entry->pw_uid;
    account.gid = entry->pw_gid;
    account.home = entry->pw_dir != nullptr ? entry->pw_dir : "";
    return account;
}

template <typename Key, typename Query>
std::optional<JobAccount> QueryPasswd(Key key, Query query) {
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    while (query(key, &entry, buffer.data(), buffer.size(), &found) == ERANGE &&
           buffer.size() < (1u << 20))
        buffer.resize(buffer.size() * 2);
    return FromPasswdEntry(found);
}

std::optional<JobAccount> LookUpAccountById(uid_t uid) {
    return QueryPasswd(uid, getpwuid_r);
}

bool StartsWith(const char* entry, const char* prefix) {
    return std::strncmp(entry, prefix, std::strlen(prefix)) == 0;
}

// Server variables a job keeps when it runs as another account: the search
// path, the locale, and where the machine-wide settings and records are.
bool PassedToOtherAccounts(const char* entry) {
    static const char* const kPrefixes[] = {"PATH=",
                                            "LANG=",
                                            "LANGUAGE=",
                                            "LC_",
                                            "TZ=",
                                            "ARO_PRINTER_HKLM=",
                                            "ARO_PRINTER_SYSTEM_DIR=",
                                            "ARO_PRINTER_MESSAGE_LOG="};
    for (const char* prefix : kPrefixes)
        if (StartsWith(entry, prefix)) return true;
    return false;
}

std::vector<gid_t> GroupsOf(const JobAccount& account) {
    std::vector<gid_t> groups(32);
    int count = static_cast<int>(groups.size());
    while (getgrouplist(account.name.c_str(), account.gid, groups.data(), &count) == -1) {
        if (count <= static_cast<int>(groups.size())) count = static_cast<int>(groups.size()) * 2;
        groups.resize(static_cast<size_t>(count));
    }
    groups.resize(static_cast<size_t>(count));
    return groups;
}

std::mutex g_policyLock;
AccountPolicy g_policy;
bool g_configured = false;

}  // namespace

std::optional<JobAccount> LookUpLocalAccount(const std::string& name) {
    if (name.empty()) return std::nullopt;
    return QueryPasswd(name.c_str(), getpwnam_r);
}

bool MakeAccountPolicy(const JobAccount& server, const std::string& fallbackName,
                       const AccountLookup& lookup, AccountPolicy* policy, std::string* error) {
    AccountPolicy made;
    made.server = server;
    made.canSwitch = server.uid == 0;
    std::string name = fallbackName;
    if (name.empty()) name = made.canSwitch ? kRootServerFallback : server.name;
    std::optional<JobAccount> fallback = name == server.name ? server : lookup(name);
    if (!fallback) {
        *error = "fallback-user '" + name + "' is not a local account";
        return false;
    }
    if (made.canSwitch && fallback->uid == 0) {
        *error = "fallback-user '" + name + "' is root; jobs from the network never run as root";
        return false;
    }
    if (!made.canSwitch && fallback->uid != server.uid) {
        *error = "fallback-user '" + name +
                 "' needs a server started as root; this server runs as '" + server.name +
                 "' and runs every job as '" + server.name + "'";
        return false;
    }
    made.fallback = *fallback;
    *policy = made;
    return true;
}

JobAccount ChooseJobAccount(const AccountPolicy& policy, const char* jobUserName,
                            const AccountLookup& lookup) {
    if (!policy.canSwitch) return policy.server;
    std::optional<JobAccount> named =
        jobUserName != nullptr ? lookup(jobUserName) : std::optional<JobAccount>();
    if (!named || named->uid == 0) return policy.fallback;
    return *named;
}

bool ConfigureJobAccounts(const char* fallbackUser, std::string* error) {
    std::optional<JobAccount> server = LookUpAccountById(geteuid());
    if (!server) {
        *error = "the server's own account (uid " + std::to_string(geteuid()) +
                 ") is not in the password database";
        return false;
    }
    AccountPolicy policy;
    if (!MakeAccountPolicy(*server, fallbackUser != nullptr ? fallbackUser : "", LookUpLocalAccount,
                           &policy, error))
        return false;
    std::lock_guard<std::mutex> lock(g_policyLock);
    g_policy = policy;
    g_configured = true;
    return true;
}

JobAccount AccountForJob(const char* jobUserName) {
    {
        std::lock_guard<std::mutex> lock(g_policyLock);
        if (g_configured) return ChooseJobAccount(g_policy, jobUserName, LookUpLocalAccount);
    }
    // Not configured (a tool or test that never started a server): the
    // process's own account, which needs no switch.
    return LookUpAccountById(geteuid()).value_or(JobAccount{"", geteuid(), getegid(), ""});
}

std::string FallbackAccountName() {
    std::lock_guard<std::mutex> lock(g_policyLock);
    return g_configured ? g_policy.fallback.name : std::string();
}

std::vector<std::string> JobEnvironment(const JobAccount& account, bool switchingAccount,
                                        char* const* serverEnvironment) {
    std::vector<std::string> environment;
    if (!switchingAccount) {
        for (char* const* entry = serverEnvironment; entry && *entry; ++entry)
            environment.emplace_back(*entry);
        return environment;
    }
    for (char* const* entry = serverEnvironment; entry && *entry; ++entry)
        if (PassedToOtherAccounts(*entry)) environment.emplace_back(*entry);
    environment.push_back("HOME=" + account.home);
    environment.push_back("USER=" + account.name);
    environment.push_back("LOGNAME=" + account.name);
    environment.push_back("XDG_CONFIG_HOME=" + account.home + "/.config");
    environment.push_back("TMPDIR=/tmp");
    // The archive hand-off speaks to the user's session bus when the user is
    // logged in.
    std::string runtime = "/run/user/" + std::to_string(account.uid);
    struct stat bus {};
    if (stat((runtime + "/bus").c_str(), &bus) == 0 && S_ISSOCK(bus.st_mode)) {
        environment.push_back("XDG_RUNTIME_DIR=" + runtime);
        environment.push_back("DBUS_SESSION_BUS_ADDRESS=unix:path=" + runtime + "/bus");
    }
    return environment;
}

AccountSwitch::AccountSwitch(const JobAccount& account,
                             const std::vector<std::string>& extraEnvironment)
    : m_switch(geteuid() == 0 && account.uid != 0),
      m_uid(account.uid),
      m_gid(account.gid),
      m_home(account.home) {
    if (m_switch) m_groups = GroupsOf(account);
    m_environment = JobEnvironment(account, m_switch, environ);
    m_environment.insert(m_environment.end(), extraEnvironment.begin(), extraEnvironment.end());
    for (std::string& entry : m_environment) m_environmentPointers.push_back(entry.data());
    m_environmentPointers.push_back(nullptr);
}

int AccountSwitch::EnterInChild() const noexcept {
    if (!m_switch) return 0;
    if (setgroups(m_groups.size(), m_groups.data()) != 0) return errno;
    if (setgid(m_gid) != 0) return errno;
    if (setuid(m_uid) != 0) return errno;
    // A switch that left any way back to root, or another id, is no switch.
    if (getuid() != m_uid || geteuid() != m_uid || getgid() != m_gid || getegid() != m_gid)
        return EPERM;
    if (setuid(0) == 0) return EPERM;
    if (m_home.empty() || chdir(m_home.c_str()) != 0) {
        if (chdir("/") != 0) return errno;
    }
    return 0;
}

}  // namespace aro::printerapp
