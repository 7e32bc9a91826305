// The few settings the host must know to hand pages over as the
// administrator meant them, read by the module's own settings code from the
// same hive files, so that host and module never disagree about them.
#pragma once

#include <string>

namespace aro::host {

// A string value under the module's key: the user's, or absent ("").
std::string UserSetting(const char* name);
// The user's value, else the machine's.
std::string UserThenMachineSetting(const char* name);

// CutLines as the module counts it: more than one character and a positive
// number (the module ignores a single character).
bool CutLinesSet();

// MaxPagesCount as a number; -1 (the default) is no limit.
long PageLimit();

// The files of the user's and the machine's hive ("" when none is named).
std::string UserHiveFile();
std::string MachineHiveFile();

// A hive file for a message: its path, and "(missing)" or "(not readable)"
// when it cannot be read; "(none)" when no file is named.
std::string DescribeHiveFile(const std::string& path);

}  // namespace aro::host
