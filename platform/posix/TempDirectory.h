// Where the module puts its temporary files.
#pragma once

#include <sys/types.h>
#include <string>

namespace aro::posix {

// The temporary folder, ending in "/": $TMPDIR when it is set and not empty,
// otherwise the user's private folder under /tmp. Empty when there is none
// that may be used.
std::string TemporaryDirectory();

// "<base>/aro-printer-<uid>/", created with mode 0700 when missing. Empty
// when it cannot be created or is not safe to use: not a real directory (a
// symlink, say), owned by another user, or open to group or others. A shared
// folder such as /tmp lets anyone plant an entry of that name first.
std::string PrivateTemporaryDirectory(const std::string& base, uid_t owner);

}  // namespace aro::posix
