// The effective user's entry in the password database.
#pragma once

#include <optional>
#include <string>

namespace aro::posix {

// Login name of the effective user; nothing when the database has no entry.
std::optional<std::string> EffectiveUserName();

// Home folder of the effective user; nothing when unknown or empty.
std::optional<std::string> EffectiveUserHome();

}  // namespace aro::posix
