# Fails when a source file includes a folder its own folder may not use.
#
#   cmake -DARO_LAYER_ROOT=<source tree> -P cmake/CheckLayers.cmake
#
# Every folder includes with paths from the repository root ("config/X.h"),
# so include directories alone cannot keep a lower folder from reaching up;
# this scan of the quoted #include lines does. It runs before the core's
# libraries are built (target aro_layers) and as a test. It sees includes as
# written: an include hidden behind a macro is not checked.
#
cmake_minimum_required(VERSION 3.25)

# Each folder may include itself and the folders listed after it; the public
# header "AroPrinterCfg.h" (include/) is open to all. Lowest first:
set(ARO_LAYERS platform base job config imaging archive exits module)
set(ARO_USES_platform "")
set(ARO_USES_base platform)
set(ARO_USES_job base platform)
set(ARO_USES_config job base platform)
set(ARO_USES_imaging config job base platform)
set(ARO_USES_archive config job base platform)
set(ARO_USES_exits archive imaging config job base platform)
set(ARO_USES_module exits archive imaging config job base platform)

if(NOT ARO_LAYER_ROOT)
  message(FATAL_ERROR "CheckLayers: set ARO_LAYER_ROOT to the source tree")
endif()

set(violations "")
foreach(layer IN LISTS ARO_LAYERS)
  set(allowed ${layer} ${ARO_USES_${layer}})
  file(GLOB_RECURSE files RELATIVE ${ARO_LAYER_ROOT}
       ${ARO_LAYER_ROOT}/${layer}/*.h ${ARO_LAYER_ROOT}/${layer}/*.cpp)
  foreach(file IN LISTS files)
    file(STRINGS ${ARO_LAYER_ROOT}/${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS lines)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*$" "\\1" target "${line}")
      if(target STREQUAL "AroPrinterCfg.h")
        continue()
      endif()
      if(NOT target MATCHES "/")
        list(APPEND violations "${file} includes \"${target}\" without its folder")
        continue()
      endif()
      string(REGEX REPLACE "/.*$" "" folder "${target}")
      if(NOT folder IN_LIST allowed)
        list(APPEND violations "${file} includes ${target}: ${layer}/ may not use ${folder}/")
      endif()
    endforeach()
  endforeach()
endforeach()

if(violations)
  list(JOIN violations "\n  " report)
  message(FATAL_ERROR "Includes against the folder order (README, Development):\n  ${report}")
endif()
