#include "platform/posix/UserAccount.h"

#include <pwd.h>
#include <unistd.h>
#include <cerrno>
#include <vector>

namespace aro::posix {

namespace {

struct AccountFields {
    std::string name;
    std::string home;
};

std::optional<AccountFields> LookUpEffectiveUser() {
    const long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> scratch(suggested > 0 ? static_cast<std::size_t>(suggested) : 1024);
    struct passwd entry {};
    struct passwd* found = nullptr;
    int error = 0;
    // Entries with long fields (NSS, LDAP) need more room than suggested.
    while ((error = getpwuid_r(geteuid(), &entry, scratch.data(), scratch.size(), &found)) ==
               ERANGE &&
           scratch.size() < (1u << 20)) {
        scratch.resize(scratch.size() * 2);
    }
    if (error != 0 || found == nullptr) return std::nullopt;
    return AccountFields{found->pw_name ? found->pw_name : "", found->pw_dir ? found->pw_dir : ""};
}

}  // namespace

std::optional<std::string> EffectiveUserName() {
    auto account = LookUpEffectiveUser();
    if (!account || account->name.empty()) return std::nullopt;
    return account->name;
}

std::optional<std::string> EffectiveUserHome() {
    auto account = LookUpEffectiveUser();
    if (!account || account->home.empty()) return std::nullopt;
    return account->home;
}

}  // namespace aro::posix
