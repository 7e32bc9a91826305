// Reads the method names out of a D-Bus introspection document.
#pragma once

#include <optional>
#include <set>
#include <string>

namespace aro::posix {

// The methods the document declares for this interface of the object itself
// (interfaces of child nodes do not count). Empty optional when the document
// does not describe the interface or cannot be read: then nothing is known
// about the members.
std::optional<std::set<std::string>> DeclaredMethods(const std::string& xml,
                                                     const std::string& interface);

}  // namespace aro::posix
