// File-path conventions of the platform the module is built for.
#pragma once

namespace aro {

#ifdef _WIN32
constexpr char kPathSeparator = '\\';
constexpr const char* kPathSeparatorText = "\\";
// The module file looked for in the system directory.
constexpr const char* kModuleFileName = "AroPrinterCfg.dll";
#else
constexpr char kPathSeparator = '/';
constexpr const char* kPathSeparatorText = "/";
constexpr const char* kModuleFileName = "libAroPrinterCfg.so";
#endif

}  // namespace aro
