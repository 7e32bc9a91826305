// The POSIX calls that the unit suite's helpers make, for the suite's
// Windows build, which force-includes this header (docs/WINDOWS.md): the
// suite's sources stay as they are.
#pragma once

#include <direct.h>

#include <cstdio>
#include <cstdlib>

// Windows folders have no mode bits.
inline int mkdir(const char* path, int /*mode*/) {
    return _mkdir(path);
}

// A new private folder from a name ending in XXXXXX.
char* mkdtemp(char* pattern);

// The helpers list a folder with `ls 'FOLDER'` through popen and remove one
// with `rm -rf 'FOLDER'` through system(). cmd.exe knows neither command:
// these two forms are carried out here; any other command goes to the
// runtime as it is.
FILE* aro_compat_popen(const char* command, const char* mode);
int aro_compat_pclose(FILE* stream);
int aro_compat_system(const char* command);
namespace std {
using ::aro_compat_system;
}

#undef popen
#undef pclose
#define popen aro_compat_popen
#define pclose aro_compat_pclose
#define system aro_compat_system
