// <windows.h> and <ole2.h> for the Win32 platform layer, included before
// platform/Platform.h. Some of their ANSI/Unicode macros share their names
// with services of the Platform interface; they are undefined here so that
// those members keep their names everywhere, and the layer calls the "A"
// functions by their full names instead.
#pragma once

#include <windows.h>

#include <ole2.h>

#undef GetTempPath
#undef GetUserName
#undef GetSystemDirectory
#undef WriteProfileString
