#pragma once

namespace aro {

// True for an ordinary user account; false when no account name is
// available or the name holds "SYSTEM" in any letter case.
bool CheckForUser();

}  // namespace aro
