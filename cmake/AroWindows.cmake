# The Windows build of the module (MinGW-w64 cross-build, see docs/WINDOWS.md).
# Included by the top-level CMakeLists.txt after the module target exists.

# The static libtiff built by scripts/windows-deps.sh needs its codecs'
# libraries at link time; FindTIFF does not know them.
find_package(ZLIB REQUIRED)
set_property(TARGET TIFF::TIFF APPEND PROPERTY INTERFACE_LINK_LIBRARIES JPEG::JPEG ZLIB::ZLIB)

# ---- the Win32 platform layer ----
file(GLOB ARO_WIN32_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/platform/win32/*.cpp)
add_library(aro_platform STATIC ${PROJECT_SOURCE_DIR}/platform/Platform.cpp ${ARO_WIN32_SOURCES})
target_include_directories(aro_platform PUBLIC ${PROJECT_SOURCE_DIR})
# The ANSI ("A") Windows calls throughout; nothing older than Windows 7.
target_compile_definitions(aro_platform PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
target_link_libraries(aro_platform PUBLIC advapi32 user32 shell32 version ole32 oleaut32 uuid)

# ---- the module: AroPrinterCfg.dll ----
# Exports: the seven undecorated names of the .def file, nothing else.
# Version: a VERSIONINFO resource with the project version.
configure_file(${PROJECT_SOURCE_DIR}/module/AroPrinterCfg.rc.in
               ${PROJECT_BINARY_DIR}/module/AroPrinterCfg.rc @ONLY)
target_sources(AroPrinterCfg PRIVATE
  ${PROJECT_SOURCE_DIR}/module/AroPrinterCfg.def
  ${PROJECT_BINARY_DIR}/module/AroPrinterCfg.rc)
set_target_properties(AroPrinterCfg PROPERTIES PREFIX "" IMPORT_PREFIX "")

# ---- the Windows installer package: aro-printer.msi ----
# Built beside the module when wixl and msibuild (Debian's wixl and msitools)
# are installed; scripts/package-msi.sh installs them.
find_program(ARO_WIXL wixl)
find_program(ARO_MSIBUILD msibuild)
if(ARO_WIXL AND ARO_MSIBUILD)
  set(ARO_MSI ${PROJECT_BINARY_DIR}/aro-printer.msi)
  add_custom_command(OUTPUT ${ARO_MSI}
    COMMAND ${PROJECT_SOURCE_DIR}/packaging/windows/build-msi.sh
            $<TARGET_FILE:AroPrinterCfg> ${PROJECT_VERSION} ${ARO_MSI}
    DEPENDS AroPrinterCfg ${PROJECT_SOURCE_DIR}/packaging/windows/aro-printer.wxs
            ${PROJECT_SOURCE_DIR}/packaging/windows/build-msi.sh
    COMMENT "Building aro-printer.msi" VERBATIM)
  add_custom_target(aro_msi ALL DEPENDS ${ARO_MSI})
else()
  message(STATUS "wixl or msibuild not found: aro-printer.msi is not built")
endif()
