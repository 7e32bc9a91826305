// Why a page's background image could not be used, for a warning the user
// can act on: the module only answers -2 (not loaded) or -3 (wrong kind).
#pragma once

#include <string>

namespace aro::host {

// The setting that names the background of a page: first or later page of
// its file, monochrome or colour.
std::string BackgroundValueName(bool firstPageOfFile, bool colour);

// What is wrong with the background file for a page of that kind, given
// the module's status for the page's first band.
std::string WhyBackgroundUnused(const std::string& path, bool colour, int status);

}  // namespace aro::host
