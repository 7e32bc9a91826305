// Which account a job runs as, and the switch into it in a child process.
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "printer-app/JobAccount.h"

namespace aro::printerapp {
namespace {

const JobAccount kRoot{"root", 0, 0, "/root"};
const JobAccount kAlice{"alice", 1001, 1001, "/home/alice"};
const JobAccount kBob{"bob", 1002, 1002, "/home/bob"};
const JobAccount kNobody{"nobody", 65534, 65534, "/nonexistent"};
const JobAccount kToor{"toor", 0, 0, "/root"};  // a second name for uid 0

AccountLookup FakeDatabase() {
    static const std::map<std::string, JobAccount> accounts = {
        {"root", kRoot}, {"alice", kAlice}, {"bob", kBob}, {"nobody", kNobody}, {"toor", kToor}};
    return [](const std::string& name) -> std::optional<JobAccount> {
        auto found = accounts.find(name);
        if (found == accounts.end()) return std::nullopt;
        return found->second;
    };
}

AccountPolicy Policy(const JobAccount& server, const std::string& fallback) {
    AccountPolicy policy;
    std::string error;
    EXPECT_TRUE(MakeAccountPolicy(server, fallback, FakeDatabase(), &policy, &error)) << error;
    return policy;
}

TEST(JobAccountPolicy, RootServerRunsLocalUsersAsThemselvesAndEveryoneElseAsTheFallback) {
    AccountPolicy policy = Policy(kRoot, "");
    EXPECT_EQ(policy.fallback.name, "nobody");
    EXPECT_EQ(ChooseJobAccount(policy, "alice", FakeDatabase()).uid, kAlice.uid);
    EXPECT_EQ(ChooseJobAccount(policy, "bob", FakeDatabase()).home, kBob.home);
    for (const char* untrusted : {"mallory", "", "root", "toor"})
        EXPECT_EQ(ChooseJobAccount(policy, untrusted, FakeDatabase()).name, "nobody") << untrusted;
    EXPECT_EQ(ChooseJobAccount(policy, nullptr, FakeDatabase()).name, "nobody");

    AccountPolicy configured = Policy(kRoot, "bob");
    EXPECT_EQ(ChooseJobAccount(configured, "mallory", FakeDatabase()).name, "bob");
}

TEST(JobAccountPolicy, UserServerRunsEveryJobAsItself) {
    AccountPolicy policy = Policy(kAlice, "");
    EXPECT_FALSE(policy.canSwitch);
    for (const char* name : {"alice", "bob", "root", "mallory"})
        EXPECT_EQ(ChooseJobAccount(policy, name, FakeDatabase()).name, "alice") << name;
    EXPECT_EQ(Policy(kAlice, "alice").fallback.name, "alice");
}

TEST(JobAccountPolicy, UnusableFallbacksAreRefusedWithTheReason) {
    struct Case {
        JobAccount server;
        const char* fallback;
        const char* reason;
    } cases[] = {
        {kRoot, "mallory", "not a local account"},
        {kRoot, "root", "never run as root"},
        {kRoot, "toor", "never run as root"},
        {kAlice, "bob", "needs a server started as root"},
    };
    for (const Case& c : cases) {
        AccountPolicy policy;
        std::string error;
        EXPECT_FALSE(MakeAccountPolicy(c.server, c.fallback, FakeDatabase(), &policy, &error))
            << c.fallback;
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    }
}

TEST(JobAccountEnvironment, AnotherAccountGetsItsOwnHomeAndOnlyTheServersMachineSettings) {
    const char* server[] = {"HOME=/root",
                            "USER=root",
                            "PATH=/usr/bin:/bin",
                            "LANG=de_DE.UTF-8",
                            "LC_PAPER=a4",
                            "ARO_PRINTER_HKLM=/etc/aro-printer/machine.reg",
                            "ARO_PRINTER_HKCU=/root/.config/aro-printer/user.reg",
                            "XDG_CONFIG_HOME=/root/.config",
                            "SECRET_TOKEN=x",
                            nullptr};
    auto* serverEnvironment = const_cast<char* const*>(server);
    std::vector<std::string> switched = JobEnvironment(kAlice, true, serverEnvironment);
    auto has = [&](const std::string& entry) {
        return std::find(switched.begin(), switched.end(), entry) != switched.end();
    };
    for (const char* kept :
         {"PATH=/usr/bin:/bin", "LANG=de_DE.UTF-8", "LC_PAPER=a4",
          "ARO_PRINTER_HKLM=/etc/aro-printer/machine.reg", "HOME=/home/alice", "USER=alice",
          "LOGNAME=alice", "XDG_CONFIG_HOME=/home/alice/.config", "TMPDIR=/tmp"})
        EXPECT_TRUE(has(kept)) << kept;
    for (const std::string& entry : switched) {
        EXPECT_EQ(entry.find("/root"), std::string::npos) << entry;
        EXPECT_NE(entry.rfind("ARO_PRINTER_HKCU=", 0), 0u) << entry;
        EXPECT_NE(entry.rfind("SECRET_TOKEN=", 0), 0u) << entry;
    }

    std::vector<std::string> own = JobEnvironment(kRoot, false, serverEnvironment);
    EXPECT_EQ(own.size(), 9u);
    EXPECT_EQ(own[6], "ARO_PRINTER_HKCU=/root/.config/aro-printer/user.reg");
}

// What a child reports after entering the account.
struct ChildIdentity {
    int status = -1;
    uid_t uid = 0, euid = 0;
    gid_t gid = 0, egid = 0;
    int groups = 0;
    gid_t group[64] = {};
    bool regainedRoot = true;
    char folder[256] = {};
    char home[256] = {};
};

ChildIdentity RunChildAs(const JobAccount& account) {
    AccountSwitch accountSwitch(account, {"ARO_JOB=1"});
    int channel[2];
    EXPECT_EQ(pipe(channel), 0);
    pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        ChildIdentity identity;
        identity.status = accountSwitch.EnterInChild();
        identity.uid = getuid();
        identity.euid = geteuid();
        identity.gid = getgid();
        identity.egid = getegid();
        identity.groups = getgroups(64, identity.group);
        identity.regainedRoot = setuid(0) == 0;
        if (getcwd(identity.folder, sizeof identity.folder) == nullptr) identity.folder[0] = 0;
        for (char* const* entry = accountSwitch.Environment(); *entry; ++entry)
            if (std::string(*entry).rfind("HOME=", 0) == 0)
                snprintf(identity.home, sizeof identity.home, "%s", *entry + 5);
        ssize_t written = write(channel[1], &identity, sizeof identity);
        _exit(written == sizeof identity ? 0 : 1);
    }
    close(channel[1]);
    ChildIdentity identity;
    EXPECT_EQ(read(channel[0], &identity, sizeof identity), static_cast<ssize_t>(sizeof identity));
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    return identity;
}

TEST(JobAccountSwitch, ChildBecomesTheAccountWithItsGroupsAndCannotReturn) {
    if (geteuid() != 0) GTEST_SKIP() << "switching accounts needs root";
    std::optional<JobAccount> nobody = LookUpLocalAccount("nobody");
    ASSERT_TRUE(nobody);
    ChildIdentity identity = RunChildAs(*nobody);
    EXPECT_EQ(identity.status, 0);
    EXPECT_EQ(identity.uid, nobody->uid);
    EXPECT_EQ(identity.euid, nobody->uid);
    EXPECT_EQ(identity.gid, nobody->gid);
    EXPECT_EQ(identity.egid, nobody->gid);
    EXPECT_FALSE(identity.regainedRoot);
    // Only the account's own groups: none of root's survive.
    ASSERT_GE(identity.groups, 0);
    for (int i = 0; i < identity.groups; ++i) EXPECT_NE(identity.group[i], 0u);
    EXPECT_STREQ(identity.home, nobody->home.c_str());
    // A home that does not exist leaves the child in the root folder.
    EXPECT_STREQ(identity.folder,
                 access(nobody->home.c_str(), X_OK) == 0 ? nobody->home.c_str() : "/");
}

}  // namespace
}  // namespace aro::printerapp
