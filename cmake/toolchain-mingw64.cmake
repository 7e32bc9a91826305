# Cross-build for 64-bit Windows with Debian's MinGW-w64 (the POSIX-threads
# flavour, g++-mingw-w64-x86-64-posix). Static libraries the build needs (libtiff,
# libjpeg, GoogleTest) come from the prefix that scripts/windows-deps.sh
# makes; pass it as -DARO_WINDOWS_DEPS=<prefix>.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ARO_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ARO_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ARO_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${ARO_MINGW_TRIPLET}-windres)

# Look for libraries and headers only in the MinGW tree and the deps prefix,
# never in the host's /usr.
set(CMAKE_FIND_ROOT_PATH /usr/${ARO_MINGW_TRIPLET})
if(ARO_WINDOWS_DEPS)
  list(APPEND CMAKE_FIND_ROOT_PATH "${ARO_WINDOWS_DEPS}")
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ARO_WINDOWS_DEPS)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# zlib comes with MinGW as an import library and a static one: take the latter.
set(ZLIB_USE_STATIC_LIBS ON)

# Every program and the module carry their C and C++ runtime (libgcc,
# libstdc++, winpthread) inside: nothing but system DLLs is needed at run time.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# Windows programs built here run under Wine (tests, GoogleTest discovery).
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/wine-run.sh")
